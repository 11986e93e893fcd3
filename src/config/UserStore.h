// SPDX-License-Identifier: GPL-3.0-or-later
// UserStore.h: the per-user values under "Software\Nimbora": "PosX", "PosY" (window
// position) and "StationName" (the station opened at the next start).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace nimbora {

class UserStore {
public:
    virtual ~UserStore() = default;
    virtual std::optional<std::int32_t> get_int(std::string_view key) = 0;
    virtual std::optional<std::string> get_string(std::string_view key) = 0;
    // Each returns false when the value could not be stored.
    virtual bool set_int(std::string_view key, std::int32_t value) = 0;
    virtual bool set_string(std::string_view key, std::string_view value) = 0;
    virtual bool remove(std::string_view key) = 0;
};

// A store in memory, for tests and for runs that must not touch the user's own values.
class MemoryUserStore : public UserStore {
public:
    std::optional<std::int32_t> get_int(std::string_view key) override;
    std::optional<std::string> get_string(std::string_view key) override;
    bool set_int(std::string_view key, std::int32_t value) override;
    bool set_string(std::string_view key, std::string_view value) override;
    bool remove(std::string_view key) override;

    bool fail_writes = false;  // lets a test see how callers take a refused write

private:
    std::map<std::string, std::int32_t, std::less<>> ints_;
    std::map<std::string, std::string, std::less<>> strings_;
};

// Where the main window opens: the stored "PosX" and "PosY"; (300, 300) when "PosY" is
// missing, whatever "PosX" holds.
std::pair<int, int> start_position(UserStore& store);

// Stores a new window position. A coordinate above 100000 taken as unsigned (a minimised
// window far off screen, or any negative one) keeps its stored value. False when the store
// refused the write.
bool save_position(UserStore& store, int left, int top);

}  // namespace nimbora
