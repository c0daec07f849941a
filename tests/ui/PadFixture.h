#pragma once
// One simulated pad plugged, discovered and loaded as the General page loads it, with the
// worker running so that reloads reach the simulated driver; the user's own settings are in
// its key. For the controller test windows, which switch those settings off and back.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimBench.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"

class PadFixture : public CSimSheetFixture
{
protected:
    using Bytes = std::vector<std::uint8_t>;
    using Values = std::map<std::string, Bytes>;

    void TearDown() override;

    // Plugs a wired pad whose key holds the user's settings, discovers it, loads it and
    // starts the worker. The key's seven values as the model writes them.
    void PlugAndLoad();
    static Values KeyValues(const std::string& keyPath);
    // Bindings, mouse stick and force level as a user would have set them.
    static void WriteUserSettings(const std::string& keyPath);
    // Waits for the reload after `count` reloads; false on time-out.
    bool WaitForReload(std::size_t count) const;
    Values LastReload() const;
    // The neutral test values: no binding for the 28 inputs, both sticks off.
    static bool IsNeutral(const Values& values);
    // Moves the pad as a hand would: the state, and the buffered events of the change.
    void Move(const std::function<void(DIJOYSTATE2&)>& change) const;
    void Centre() const;
    // The texts of the boxes shown so far, in order, each as "[caption] text".
    std::vector<std::string> Shown() const;
    int CountShown(const std::string& text) const;

    std::shared_ptr<CSimPad> pad;
    Values userValues;
    MessageLog messages;
};
