#include "profiles/ActiveProfiles.h"

#include <cctype>
#include <utility>

#include "framework/TextFile.h"
#include "settings/Setting.h"

namespace
{
constexpr char kModified[] = "modified";
constexpr char kLoaded[] = "loaded";
}

std::string PadInstanceOf(const std::string& pad)
{
    std::string lower = pad;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.rfind("hid#");
    return at == std::string::npos ? lower : lower.substr(at);
}

std::string ActiveProfilesPath()
{
    return std::string(g_szExeDir) + "ActiveProfiles.txt";
}

CActiveProfiles& CActiveProfiles::Get()
{
    static CActiveProfiles record;
    const std::string path = ActiveProfilesPath();
    if (record.m_strPath != path) {
        record.m_strPath = path;
        record.Read();
    }
    return record;
}

// One line a pad: "<interface path>\t<profile>\t<loaded|modified>". A line that does not read
// so is dropped; the pad it named is then on no known profile, which is what the user sees.
void CActiveProfiles::Read()
{
    m_entries.clear();
    std::string text;
    if (!ReadWholeFile(m_strPath, text))
        return;
    constexpr std::size_t npos = std::string_view::npos;
    for (std::string_view rest = text; !rest.empty();) {
        const std::string_view line = NextLine(rest);
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == npos ? npos : line.find('\t', tab1 + 1);
        if (tab2 == npos || line.find('\t', tab2 + 1) != npos)
            continue;
        const std::string_view state = line.substr(tab2 + 1);
        if (tab1 == 0 || (state != kLoaded && state != kModified))
            continue;
        m_entries.push_back({std::string(line.substr(0, tab1)),
                             {std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)), state == kModified}});
    }
}

void CActiveProfiles::Write() const
{
    std::string text;
    for (const CEntry& entry : m_entries) {
        if (!entry.active.name.empty())
            text += entry.pad + '\t' + entry.active.name + '\t' + (entry.active.modified ? kModified : kLoaded) + '\n';
    }
    WriteFileReplacing(m_strPath, text);  // on failure the old file stays as it was
}

void CActiveProfiles::SetChangeHandler(void (*handler)())
{
    s_pfnChanged = handler;
}

const CActiveProfiles::CEntry* CActiveProfiles::Find(const std::string& pad) const
{
    const std::string instance = PadInstanceOf(pad);
    for (const CEntry& entry : m_entries) {
        if (entry.pad == instance)
            return &entry;
    }
    return nullptr;
}

CActiveProfiles::CEntry* CActiveProfiles::Find(const std::string& pad)
{
    return const_cast<CEntry*>(std::as_const(*this).Find(pad));
}

CActiveProfile CActiveProfiles::Of(const std::string& pad) const
{
    const CEntry* entry = Find(pad);
    return entry ? entry->active : CActiveProfile();
}

void CActiveProfiles::Set(const std::string& pad, const CActiveProfile& active)
{
    if (pad.empty())
        return;
    if (CEntry* entry = Find(pad))
        entry->active = active;
    else
        m_entries.push_back({PadInstanceOf(pad), active});
    Write();
    if (s_pfnChanged)
        s_pfnChanged();
}

void CActiveProfiles::MarkModified(const std::string& pad)
{
    CEntry* entry = Find(pad);
    if (!entry || entry->active.name.empty() || entry->active.modified)
        return;
    entry->active.modified = true;
    Write();
    if (s_pfnChanged)
        s_pfnChanged();
}

std::string CActiveProfiles::Describe(const CActiveProfile& active)
{
    if (active.name.empty())
        return "none";
    return active.modified ? active.name + " (modified)" : active.name;
}
