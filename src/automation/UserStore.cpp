// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/UserStore.h"

#include <QDir>
#include <QStandardPaths>

namespace nimbora {
namespace {

QString key_of(std::string_view key)
{
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

QtUserStore::QtUserStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Nimbora"), QString()))
{
}

QtUserStore::QtUserStore(const std::string& ini_file)
    : settings_(std::make_unique<QSettings>(QString::fromStdString(ini_file), QSettings::IniFormat))
{
}

std::optional<std::int32_t> QtUserStore::get_int(std::string_view key)
{
    const QVariant v = settings_->value(key_of(key));
    bool ok = false;
    const int n = v.toInt(&ok);
    if (!v.isValid() || !ok) return std::nullopt;
    return n;
}

std::optional<std::string> QtUserStore::get_string(std::string_view key)
{
    const QVariant v = settings_->value(key_of(key));
    if (!v.isValid()) return std::nullopt;
    return v.toString().toLocal8Bit().toStdString();
}

bool QtUserStore::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool QtUserStore::set_int(std::string_view key, std::int32_t value)
{
    settings_->setValue(key_of(key), value);
    return sync();
}

bool QtUserStore::set_string(std::string_view key, std::string_view value)
{
    settings_->setValue(key_of(key),
                        QString::fromLocal8Bit(value.data(), static_cast<qsizetype>(value.size())));
    return sync();
}

bool QtUserStore::remove(std::string_view key)
{
    settings_->remove(key_of(key));
    return sync();
}

std::string documents_HomePath()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(docs + QStringLiteral("/Nimbora/")).toStdString();
}

}  // namespace nimbora
