#pragma once
// The per-user settings store: text values under two keys, written at every change.
#include <QMap>
#include <QString>
#include <optional>

// The main key and the backup key.
extern const QString kMainKey;    // "\Software\brenvik\kmr"
extern const QString kBackupKey;  // "\Software\dravel\kmr"

// Writes one value, creating its key when needed. Throws StoreError when the store cannot be
// written; the caller's change stays for the run.
void WriteSetting(const QString& key, const QString& name, const QString& text);

// The values of a key as read at one moment; absent values read as the empty text.
class SettingsKey {
public:
    bool exists() const { return m_exists; }
    QString value(const QString& name) const { return m_values.value(name); }
    bool has(const QString& name) const { return m_values.contains(name); }

private:
    friend SettingsKey ReadSettings(const QString& key);
    bool m_exists = false;
    QMap<QString, QString> m_values;
};

SettingsKey ReadSettings(const QString& key);

// The setting "database" of the main key: the URI of the shop's ledger on a server, or empty when
// the ledger is the data.mdb file.
QString configuredServerLedger();

// Where the INI file lives: $TOVRAKEL_CONFIG_DIR/tovrakel.ini, or the user's config folder.
QString settingsFilePath();
