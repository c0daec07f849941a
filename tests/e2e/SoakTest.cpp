// Kinetra under a long run of pads coming and going: the demo program with its configuration
// window open, pages changing, the Display page and "Force Test" open part of the time. Its
// handles, GDI objects and windows must come back to their level after a warm-up, no message box
// may be left open, and the device table must name the plugged pads.
//
// KINETRA_SOAK_CYCLES sets the number of plug/unplug cycles (50 here; scripts/soak runs 1,000).
// An arrival of a HID interface holds the window for 2000 ms by design, so one plug in five goes
// through that true arrival path; the others plug without a broadcast and a storage volume's
// removal broadcast refreshes the table at once. Every unplug is the pad's own removal broadcast.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr int kForceCheck = 1002;
constexpr int kTestButton = 1011;
constexpr int kConfigButton = 1007;
constexpr int kTableSlots = 6;
constexpr int kMostPads = 7;
constexpr int kArrivalEvery = 5;  // one plug in five waits out the true arrival path
constexpr int kRound = 20;        // cycles of one round of pages, "Force Test" and pads
// Allowed growth over the level after warm-up, in the same resting state.
constexpr long kHandleTolerance = 12;
constexpr long kGdiTolerance = 6;
constexpr long kUserTolerance = 1;
const char* const kKinds[] = {"wired", "wireless", "plain"};

std::string NameOf(const std::string& kind)
{
    return kind == "wireless" ? "Kinetra Wireless Gamepad"
           : kind == "plain"  ? "Kinetra Gamepad (no driver)"
                              : "Kinetra Gamepad";
}

long Field(const std::string& line, const std::string& name)
{
    const std::size_t at = line.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::atol(line.c_str() + at + name.size() + 2);
}

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// The figures one "resources" line gives; a count the system does not give (Wine's stubs answer
// 0) is replaced by the one found by probing, and `how` says which was read.
struct CResources
{
    long handles = 0, gdi = 0, user = 0;
    std::string how, byKind;  // the counts by kind the line gives, from its GDI objects on
};

class CSoak
{
public:
    CSoak() : m_demo("wired") { m_pads.emplace_back(1, "wired"); }

    DemoProcess m_demo;
    std::vector<std::pair<int, std::string>> m_pads;  // slot and kind, in plug order
    unsigned m_nRandom = 20261208;
    int m_nPlugs = 0, m_nArrivals = 0, m_nUnplugs = 0, m_nForceTests = 0, m_nPadsLostUnderTest = 0,
        m_nDisplayCycles = 0, m_nReopens = 0;
    HWND m_hForceTest = nullptr;
    int m_nTestedSlot = 0;          // the pad "Force Test" tests
    bool m_bTestedPadLost = false;  // and it has left since

    int Random(int below)
    {
        m_nRandom = m_nRandom * 1103515245u + 12345u;
        return static_cast<int>((m_nRandom >> 16) % static_cast<unsigned>(below));
    }

    // The device table names the first six plugged pads, in plug order.
    void ExpectTable(const char* when)
    {
        m_demo.Send("table");
        const std::string line = m_demo.WaitForLine("table ", 10000);
        std::string expected;
        for (std::size_t i = 0; i < m_pads.size() && i < kTableSlots; ++i)
            expected += (i ? "|" : "") + NameOf(m_pads[i].second);
        const std::size_t names = line.find(" names=");
        EXPECT_EQ(std::min<long>(static_cast<long>(m_pads.size()), kTableSlots), Field(line, "devices"))
            << when << ": " << line;
        EXPECT_EQ(expected, names == std::string::npos ? "?" : line.substr(names + 7)) << when;
    }

    // Message boxes are answered as a person would, and the search repeats, since an answer may
    // let the next one show. Two are expected, both only once the tested pad itself has left:
    // "Force Test" saying that its pad is gone (other pads coming and going never end the
    // test), and, when the test put its settings back before the removal reached the window,
    // the failed write to the key that went with the pad.
    void ExpectNoMessageBox(const char* when)
    {
        for (int round = 0; round < 3; ++round) {
            const auto boxes = OpenMessageBoxes(m_demo.process(), m_hForceTest);
            if (boxes.empty())
                return;
            for (const auto& [box, words] : boxes) {
                if (m_hForceTest && m_bTestedPadLost && words == "Force Test: Game Controller Fail!!")
                    ++m_nPadsLostUnderTest;
                else if (!(m_bTestedPadLost && words == "Error: UpdateDataResgistry Failed!!!"))
                    ADD_FAILURE() << when << ": a message box \"" << words << "\" is open";
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                EXPECT_TRUE(WaitUntil([box = box] { return !::IsWindow(box); }, 5000))
                    << "\"" << words << "\" stayed open";
            }
            ::Sleep(300);
        }
    }

    void Plug(const std::string& kind)
    {
        const bool arrival = ++m_nPlugs % kArrivalEvery == 0;
        m_demo.Send("plug " + kind + (arrival ? "" : " quiet"));
        const std::string line = m_demo.WaitForLine("plugged ", 15000);
        ASSERT_NE("", line) << "no answer to a plug";
        m_pads.emplace_back(std::atoi(line.c_str() + 8), kind);
        m_nArrivals += arrival ? 1 : 0;
        if (!arrival) {
            m_demo.Send("eject");
            ASSERT_NE("", m_demo.WaitForLine("ejected", 10000)) << "the window did not take the removal broadcast";
        }
    }

    void Unplug(std::size_t index)
    {
        m_bTestedPadLost = m_bTestedPadLost || (m_hForceTest && m_pads[index].first == m_nTestedSlot);
        m_demo.Send("unplug " + std::to_string(m_pads[index].first));
        // A pad gives its running connections up to a second; a busy machine may stretch that.
        ASSERT_NE("", m_demo.WaitForLine("unplugged ", 30000)) << "no answer to an unplug";
        m_pads.erase(m_pads.begin() + static_cast<long>(index));
        ++m_nUnplugs;
    }

    void OpenSheet()
    {
        m_demo.Send("config");
        ASSERT_TRUE(WaitUntil([] { return FindSheet(200) != nullptr; }, 10000))
            << "the configuration window did not open";
    }

    void CloseSheet()
    {
        CloseForceTest();
        m_demo.Send("close Kinetra");
        ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 10000)) << "the configuration window stayed open";
    }

    void ShowPage(int index)
    {
        m_demo.Send("page " + std::to_string(index));
        const std::string line = m_demo.WaitForLine("page ", 10000);
        m_nDisplayCycles += line.find(" Display") != std::string::npos ? 1 : 0;
    }

    int PageCount()
    {
        const HWND tabs = reinterpret_cast<HWND>(::SendMessageA(FindSheet(2000), PSM_GETTABCONTROL, 0, 0));
        return std::max(1, static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)));
    }

    // "&Test" of the General page: the first programmable pad loaded with "&Config", force
    // feedback switched on and applied if need be.
    void OpenForceTest()
    {
        ShowPage(0);
        const HWND sheet = FindSheet(2000);
        const HWND general = ::FindWindowExA(sheet, nullptr, "#32770", "General");
        std::size_t row = 0;
        while (row < m_pads.size() && row < kTableSlots && m_pads[row].second == "plain")
            ++row;
        if (!general || row == m_pads.size() || row == kTableSlots)
            return;
        m_demo.Send("select " + std::to_string(row));
        m_demo.WaitForLine("selected ", 5000);
        if (::IsWindowEnabled(::GetDlgItem(general, kConfigButton)))
            ::SendMessageA(::GetDlgItem(general, kConfigButton), BM_CLICK, 0, 0);
        if (::SendMessageA(::GetDlgItem(general, kForceCheck), BM_GETCHECK, 0, 0) != BST_CHECKED) {
            ::SendMessageA(::GetDlgItem(general, kForceCheck), BM_CLICK, 0, 0);
            ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
        }
        if (!WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(general, kTestButton)) != FALSE; }, 3000))
            return;  // no pad in the current slot takes force: "&Test" stays disabled
        ::PostMessageA(::GetDlgItem(general, kTestButton), BM_CLICK, 0, 0);
        if (WaitUntil([&] { return (m_hForceTest = ::FindWindowA(nullptr, "Force Test")) != nullptr; }, 5000)) {
            ++m_nForceTests;
            m_nTestedSlot = m_pads[row].first;
            m_bTestedPadLost = false;
        }
    }

    void CloseForceTest()
    {
        if (!m_hForceTest)
            return;
        ExpectNoMessageBox("before closing \"Force Test\"");
        ::PostMessageA(m_hForceTest, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(m_hForceTest); }, 5000)) << "\"Force Test\" stayed open";
        m_hForceTest = nullptr;
    }

    // One cycle: pads come and go (the count wanders between none and seven), the open window
    // changes pages, opens and closes "Force Test", and now and then closes and opens again.
    void Cycle(int index)
    {
        const int phase = index % kRound;
        if (phase < 12 && !m_hForceTest)
            ShowPage(index % PageCount());
        else if (phase == 12)
            OpenForceTest();
        else if (phase == 18)
            CloseForceTest();
        while (m_pads.empty() || (m_pads.size() < kMostPads && Random(2) == 0)) {
            Plug(kKinds[Random(3)]);
            ExpectTable("after a plug");
        }
        Unplug(static_cast<std::size_t>(Random(static_cast<int>(m_pads.size()))));
        ExpectTable("after an unplug");
        ExpectNoMessageBox("during the run");
        if (index % 25 == 24) {
            CloseSheet();
            OpenSheet();
            ++m_nReopens;
        }
    }

    // The same state every time it is measured: three pads, the sheet opened afresh on its first
    // page (pages not yet shown have no windows), and a moment for its first device check.
    CResources Rest()
    {
        CloseSheet();
        while (!m_pads.empty())
            Unplug(m_pads.size() - 1);
        for (const char* kind : kKinds)
            Plug(kind);
        OpenSheet();
        SettleSheet(FindSheet(2000));
        m_demo.Send("resources");
        const std::string line = m_demo.WaitForLine("resources ", 20000);
        CResources figures;
        figures.handles = Field(line, "handles");
        figures.gdi = Field(line, "gdi");
        figures.user = Field(line, "user");
        const std::size_t kinds = line.find(" gdi-kinds=");
        figures.byKind = kinds == std::string::npos ? "" : line.substr(kinds + 11);
        if (figures.handles <= 0) {
            figures.handles = Field(line, "probed-handles");
            figures.how += "handles probed (GetProcessHandleCount gives 0); ";
        }
        if (figures.gdi <= 0) {
            figures.gdi = Field(line, "probed-gdi");
            figures.how += "GDI objects probed (GetGuiResources gives 0); ";
        }
        if (figures.user <= 0) {
            figures.user = Field(line, "windows");
            figures.how += "USER objects counted as windows (GetGuiResources gives 0)";
        }
        return figures;
    }
};

void PrintFigures(const char* label, const CResources& figures)
{
    std::printf("[ soak     ] %s handles=%ld gdi=%ld user=%ld (by kind: %s)\n", label, figures.handles, figures.gdi,
                figures.user, figures.byKind.c_str());
    std::fflush(stdout);
}
}

TEST(Soak, PadsComeAndGoWithTheWindowOpenAndNothingIsLeftBehind)
{
    ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    const int cycles = EnvNumber("KINETRA_SOAK_CYCLES", 50);
    // The warm-up is at least one whole round of the cycle's pattern, so every window the run opens
    // ("Force Test" first of all) has been open once: what the system keeps after a first use is
    // part of the level, not growth.
    const int warmUp = std::max(kRound, cycles / 20);
    const int sampleEvery = EnvNumber("KINETRA_SOAK_SAMPLE", 100);
    CSoak soak;
    ASSERT_NE("", soak.m_demo.WaitForLine("ready", 15000));
    soak.OpenSheet();
    SettleSheet(FindSheet(2000));  // the General page's first device check makes the pad the current one
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    const ULONGLONG started = ::GetTickCount64();
    // "Force Test" opens only when a pad that takes force is current, so the warm-up goes on by
    // whole rounds until it has been open once.
    int first = 0;
    while ((first < warmUp || first % kRound != 0 || (soak.m_nForceTests == 0 && first < 4 * kRound)) &&
           !::testing::Test::HasFatalFailure())
        soak.Cycle(first++);
    const CResources level = soak.Rest();
    std::printf("[ soak     ] %d cycles after a warm-up of %d; tolerance handles +%ld, GDI +%ld, USER +%ld\n"
                "[ soak     ] %s\n",
                cycles, first, kHandleTolerance, kGdiTolerance, kUserTolerance,
                level.how.empty() ? "all counts from the system" : level.how.c_str());
    PrintFigures("after warm-up:", level);
    CResources most = level;  // of the samples taken every `sampleEvery` cycles
    for (int i = first; i < first + cycles && !::testing::Test::HasFatalFailure(); ++i) {
        soak.Cycle(i);
        if ((i - first) % sampleEvery == sampleEvery - 1 && i + 1 < first + cycles) {
            const CResources now = soak.Rest();
            PrintFigures(("after " + std::to_string(i + 1 - first) + ":").c_str(), now);
            most.handles = std::max(most.handles, now.handles);
            most.gdi = std::max(most.gdi, now.gdi);
            most.user = std::max(most.user, now.user);
        }
    }
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    soak.ExpectTable("at the end of the run");
    const CResources end = soak.Rest();
    PrintFigures("at the end:", end);
    PrintFigures("highest at rest:", most);
    std::printf("[ soak     ] %d plugs (%d through the arrival path), %d unplugs, "
                "%d \"Force Test\" opened (%d lost their pad), "
                "%d cycles on the Display page, %d reopenings of the window, %.0f s\n",
                soak.m_nPlugs, soak.m_nArrivals, soak.m_nUnplugs, soak.m_nForceTests, soak.m_nPadsLostUnderTest,
                soak.m_nDisplayCycles, soak.m_nReopens, (::GetTickCount64() - started) / 1000.0);
    EXPECT_LE(end.handles, level.handles + kHandleTolerance);
    EXPECT_LE(end.gdi, level.gdi + kGdiTolerance);
    EXPECT_LE(end.user, level.user + kUserTolerance);
    EXPECT_GT(soak.m_nForceTests, 0) << "\"Force Test\" never opened";
    EXPECT_GT(soak.m_nDisplayCycles, 0) << "the Display page was never shown";
    soak.ExpectTable("at rest");
    soak.ExpectNoMessageBox("at the end");
    ASSERT_EQ(static_cast<DWORD>(STILL_ACTIVE), soak.m_demo.WaitForExit(0)) << "the program ended during the run";
    soak.CloseSheet();
    soak.m_demo.Send("quit");
    EXPECT_EQ(0u, soak.m_demo.WaitForExit(15000));
}
