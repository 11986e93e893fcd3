// SPDX-License-Identifier: GPL-3.0-or-later
// UserStore.h (automation): the per-user store on the platform's own settings, and the
// product folder under the user's documents folder.
#pragma once

#include "config/UserStore.h"

#include <QSettings>

#include <memory>
#include <string>

namespace nimbora {

// "Software\Nimbora" of the current user: the registry on Windows, a settings file in the
// user's configuration folder elsewhere. With a file name, that INI file instead (the demo
// keeps its own values away from the user's).
class QtUserStore : public UserStore {
public:
    QtUserStore();
    explicit QtUserStore(const std::string& ini_file);

    std::optional<std::int32_t> get_int(std::string_view key) override;
    std::optional<std::string> get_string(std::string_view key) override;
    bool set_int(std::string_view key, std::int32_t value) override;
    bool set_string(std::string_view key, std::string_view value) override;
    bool remove(std::string_view key) override;

private:
    bool sync();
    std::unique_ptr<QSettings> settings_;
};

// The user's documents folder + "Nimbora" + separator.
std::string documents_HomePath();

}  // namespace nimbora
