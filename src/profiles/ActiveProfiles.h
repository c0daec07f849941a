#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The profile each pad is on: set by a load, marked modified once the pad's settings are
// applied after it. It is kept in a file of its own, not in the pad's key (the key is what a
// profile saves), so it survives a restart of Kinetra and a replug of the pad.
struct CActiveProfile
{
    std::string name;  // empty: no profile was loaded on the pad
    bool modified = false;
};

class CActiveProfiles
{
public:
    // The one record of the program, read from its file on first use (and again when the
    // profile folder is another).
    static CActiveProfiles& Get();

    CActiveProfile Of(const std::string& pad) const;
    // Each change is written at once: temp file, then replace.
    void Set(const std::string& pad, const CActiveProfile& active);
    void MarkModified(const std::string& pad);
    // What the tray and the command line say of a pad: "Race1", "Race1 (modified)" or "none".
    static std::string Describe(const CActiveProfile& active);
    // Called after every change, to show it (the tray's tip).
    static void SetChangeHandler(void (*handler)());

private:
    struct CEntry
    {
        std::string pad;
        CActiveProfile active;
    };
    void Read();
    void Write() const;
    const CEntry* Find(const std::string& pad) const;
    CEntry* Find(const std::string& pad);

    static inline void (*s_pfnChanged)() = nullptr;
    std::string m_strPath;
    std::vector<CEntry> m_entries;
};

// The file the record lives in: beside the program, next to the profile folder, where the
// Profile page never lists it.
std::string ActiveProfilesPath();
// Which pad a pad's id names, for what outlives the process: its device instance, the path from
// "hid#" on. The namespace the path is opened through ("\\?\", "\\.\", a redirected device's
// own) is how the pad is reached this time, not which pad it is.
std::string PadInstanceOf(const std::string& pad);
