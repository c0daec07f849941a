#include "profiles/PlainProfile.h"

#include <algorithm>

#include "settings/SettingsLayout.h"

namespace
{
constexpr std::uint32_t kBinary = 3;

const CDriverValue* SettingsValueOf(const CStoredValue& value)
{
    for (const CDriverValue& known : kDriverValues) {
        if (value.name == known.name)
            return value.type == kBinary && value.bytes.size() <= static_cast<std::size_t>(known.size) ? &known
                                                                                                       : nullptr;
    }
    return nullptr;
}

bool Twice(const std::vector<CStoredValue>& values, const CStoredValue& value)
{
    return std::count_if(values.begin(), values.end(),
                         [&](const CStoredValue& other) { return other.name == value.name; }) > 1;
}
}

bool OnlySettings(const std::vector<CStoredValue>& values, std::size_t subKeys)
{
    return subKeys == 0 && std::all_of(values.begin(), values.end(), [&](const CStoredValue& value) {
               return SettingsValueOf(value) && !Twice(values, value);
           });
}

std::optional<CHistoryValues> PlainSettings(const std::vector<CStoredValue>& values, std::size_t subKeys)
{
    if (!OnlySettings(values, subKeys))
        return std::nullopt;
    CHistoryValues settings;
    for (const CDriverValue& known : kDriverValues) {
        const auto stored = std::find_if(values.begin(), values.end(),
                                         [&](const CStoredValue& value) { return value.name == known.name; });
        const bool whole = stored != values.end() && stored->bytes.size() == static_cast<std::size_t>(known.size);
        if (known.modelReads && !whole)
            return std::nullopt;
        if (stored != values.end())
            settings.emplace_back(stored->name, stored->bytes);
    }
    return settings;
}
