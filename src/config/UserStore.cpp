// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/UserStore.h"

namespace nimbora {

std::optional<std::int32_t> MemoryUserStore::get_int(std::string_view key)
{
    auto it = ints_.find(key);
    if (it == ints_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> MemoryUserStore::get_string(std::string_view key)
{
    auto it = strings_.find(key);
    if (it == strings_.end()) return std::nullopt;
    return it->second;
}

bool MemoryUserStore::set_int(std::string_view key, std::int32_t value)
{
    if (fail_writes) return false;
    ints_.insert_or_assign(std::string(key), value);
    return true;
}

bool MemoryUserStore::set_string(std::string_view key, std::string_view value)
{
    if (fail_writes) return false;
    strings_.insert_or_assign(std::string(key), std::string(value));
    return true;
}

bool MemoryUserStore::remove(std::string_view key)
{
    if (fail_writes) return false;
    if (auto it = ints_.find(key); it != ints_.end()) ints_.erase(it);
    if (auto it = strings_.find(key); it != strings_.end()) strings_.erase(it);
    return true;
}

std::pair<int, int> start_position(UserStore& store)
{
    int x = store.get_int("PosX").value_or(0);
    const auto y = store.get_int("PosY");
    if (!y) return {300, 300};
    return {x, *y};
}

bool save_position(UserStore& store, int left, int top)
{
    // Writing back the stored value is the same as not writing at all.
    auto keep = [](int v) { return static_cast<std::uint32_t>(v) > 100000u; };
    const bool ok_x = keep(left) || store.set_int("PosX", left);
    const bool ok_y = keep(top) || store.set_int("PosY", top);
    return ok_x && ok_y;
}

}  // namespace nimbora
