// The version resource of the built executables, read back as Windows reads it for a file's
// properties.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/DemoProcess.h"

TEST(VersionResource, EveryExecutableCarriesVersionOnePointTwo)
{
    for (const char* program : {"Kinetra.exe", "KinetraDemo.exe", "EndToEndTests.exe"}) {
        SCOPED_TRACE(program);
        const std::string file = DemoProcess::ProgramPath(program);
        DWORD ignored = 0;
        std::vector<char> data(::GetFileVersionInfoSizeA(file.c_str(), &ignored));
        ASSERT_FALSE(data.empty()) << "no version resource";
        ASSERT_TRUE(::GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
        const auto text = [&](const char* name) {
            void* value = nullptr;
            UINT length = 0;
            const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
            return ::VerQueryValueA(data.data(), path.c_str(), &value, &length) && length
                       ? std::string(static_cast<const char*>(value))
                       : std::string();
        };
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueA(data.data(), "\\", &value, &length));
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        EXPECT_EQ(static_cast<DWORD>(VS_FFI_SIGNATURE), fixed->dwSignature);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(2, 1)), fixed->dwFileVersionMS);
        EXPECT_EQ(0u, fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
        EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
        EXPECT_EQ("Kinetra", text("ProductName"));
        EXPECT_EQ("1.2.0.0", text("ProductVersion"));
        EXPECT_EQ("1.2.0.0", text("FileVersion"));
        EXPECT_FALSE(text("FileDescription").empty());
        EXPECT_EQ(0u, text("LegalCopyright").find("Copyright"));
    }
}
