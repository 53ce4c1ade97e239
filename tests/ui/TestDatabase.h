#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

#include "core/data/StoreContext.h"

namespace moxtel {

// A database (and settings) of its own in a temporary folder for one test, so no test touches the
// user's data.
class TestDatabase {
  public:
    TestDatabase() {
        qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
        // Windows remember places and folders: never in the user's own settings either.
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        store.SetDatabaseFile(File().toStdString());
    }
    QString Folder() const { return m_dir.path() + QStringLiteral("/data"); }
    QString File() const { return Folder() + QStringLiteral("/moxtel.db"); }
    QString BackupFile() const { return Folder() + QStringLiteral("/BACKUP/moxtel.db"); }

    StoreContext store;  // what the test hands to its windows and its own queries

  private:
    QTemporaryDir m_dir;
};

}  // namespace moxtel
