// The version resource of the built executables, read back as Windows reads it for a file's
// properties.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/DemoProcess.h"

namespace
{
struct CVersionInfo
{
    std::vector<char> data;

    explicit CVersionInfo(const std::string& file)
    {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
        data.resize(size);
        if (size && !::GetFileVersionInfoA(file.c_str(), 0, size, data.data()))
            data.clear();
    }

    const VS_FIXEDFILEINFO* Fixed()
    {
        void* value = nullptr;
        UINT length = 0;
        if (data.empty() || !::VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    std::string String(const char* name)
    {
        void* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (data.empty() || !::VerQueryValueA(data.data(), path.c_str(), &value, &length) || length == 0)
            return {};
        return static_cast<const char*>(value);
    }
};
}

TEST(VersionResource, EveryExecutableCarriesVersionOnePointTwo)
{
    for (const char* program : {"Kinetra.exe", "KinetraDemo.exe", "EndToEndTests.exe"}) {
        SCOPED_TRACE(program);
        CVersionInfo info(DemoProcess::ProgramPath(program));
        const VS_FIXEDFILEINFO* fixed = info.Fixed();
        ASSERT_NE(nullptr, fixed) << "no version resource";
        EXPECT_EQ(static_cast<DWORD>(VS_FFI_SIGNATURE), fixed->dwSignature);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(2, 1)), fixed->dwFileVersionMS);
        EXPECT_EQ(0u, fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
        EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
        EXPECT_EQ("Kinetra", info.String("ProductName"));
        EXPECT_EQ("1.2.0.0", info.String("ProductVersion"));
        EXPECT_EQ("1.2.0.0", info.String("FileVersion"));
        EXPECT_FALSE(info.String("FileDescription").empty());
        EXPECT_EQ(0u, info.String("LegalCopyright").find("Copyright"));
    }
}
