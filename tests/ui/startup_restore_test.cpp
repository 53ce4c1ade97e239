// Start-up with a damaged database: the question offering the backup, the restore, and what is
// left alone (No, no usable backup, a sound, missing or busy database).
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

#include "core/data/CAdoDatabase.h"
#include "core/data/CDataFolder.h"
#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/DatabaseFailureBox.h"
#include "ui/app/StartupCheck.h"

using namespace moxtel;

namespace {

const QByteArray kJunk = QByteArray("a file that lost its contents\n") + QByteArray(5000, '#');

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Overwrite(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList KeptFiles(const TestDatabase& database) {
    return QDir(database.Folder()).entryList({QStringLiteral("moxtel.db.damaged-*")}, QDir::Files);
}

}  // namespace

class StartupRestoreTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        m_errors.clear();
        m_database->store.SetErrorReporter([this](const std::string& e) { m_errors << QString::fromStdString(e); });
    }
    void cleanup() {
        m_database->store.SetErrorReporter({});
        m_database.reset();
    }

    // Yes: the backup comes back, the damaged file is kept, and the main window opens cleanly.
    void damagedDatabaseIsRestoredFromTheBackupOnYes() {
        StoreTemplateAndBackUp();
        Overwrite(m_database->File(), kJunk);
        FakeWindowServices services;
        services.answers = {true};
        CheckDatabaseAtStartup(m_database->store, services, nullptr);

        QCOMPARE(services.shown.size(), std::size_t{2});
        QCOMPARE(services.shown[0].kind, QStringLiteral("ask"));
        QVERIFY2(services.shown[0].text.contains(m_database->File()), qPrintable(services.shown[0].text));
        QVERIFY(services.shown[0].text.contains(m_database->BackupFile()));
        QCOMPARE(services.shown[1].kind, QStringLiteral("message"));
        QVERIFY(services.shown[1].text.startsWith(QString::fromUtf8("数据库已从备份恢复")));
        const QStringList kept = KeptFiles(*m_database);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(Bytes(m_database->Folder() + QLatin1Char('/') + kept[0]), kJunk);

        SessionState session;
        ChildWindows children;
        const WindowContext context{session, services, children, m_database->store};
        CMainStatDlg main(context);
        main.show();
        QVERIFY(main.DropList(1114)->findText(QStringLiteral("kept")) >= 0);
        QCOMPARE(m_errors, QStringList());
    }

    // No: nothing is touched, and the database names itself on use instead.
    void noLeavesTheDamagedFileAsItIs() {
        StoreTemplateAndBackUp();
        Overwrite(m_database->File(), kJunk);
        FakeWindowServices services;
        services.answers = {false};
        CheckDatabaseAtStartup(m_database->store, services, nullptr);
        QCOMPARE(services.shown.size(), std::size_t{1});
        QCOMPARE(Bytes(m_database->File()), kJunk);
        QVERIFY(KeptFiles(*m_database).isEmpty());
    }

    void withoutAUsableBackupTheUserIsToldWhatToDo() {
        StoreTemplateAndBackUp();
        Overwrite(m_database->File(), kJunk);
        Overwrite(m_database->BackupFile(), kJunk);
        FakeWindowServices services;
        services.answers = {true};
        CheckDatabaseAtStartup(m_database->store, services, nullptr);
        QCOMPARE(services.shown.size(), std::size_t{1});
        QCOMPARE(services.shown[0].kind, QStringLiteral("message"));
        QVERIFY(services.shown[0].text.contains(QString::fromUtf8("没有可用的备份")));
        QVERIFY(services.shown[0].text.contains(m_database->BackupFile()));
        QCOMPARE(Bytes(m_database->File()), kJunk);
        QCOMPARE(Bytes(m_database->BackupFile()), kJunk);
    }

    // Missing, sound and busy databases are no reason to ask; a missing one is not created here.
    void soundMissingOrBusyDatabaseAsksNothing() {
        FakeWindowServices services;
        CheckDatabaseAtStartup(m_database->store, services, nullptr);
        QVERIFY(!QFile::exists(m_database->File()));
        StoreTemplateAndBackUp();
        CheckDatabaseAtStartup(m_database->store, services, nullptr);

        sqlite3* other = nullptr;
        sqlite3_open(m_database->File().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; delete from queryconfig;", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        CheckDatabaseAtStartup(m_database->store, services, nullptr);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(services.shown.size(), std::size_t{0});
        QVERIFY(KeptFiles(*m_database).isEmpty());
    }

    // After No, every statement of a click fails the same way: the box shows the reason once a
    // click, and again at the next click.
    void aDamagedDatabaseIsShownOnceAClick() {
        StoreTemplateAndBackUp();
        Overwrite(m_database->File(), kJunk);
        FakeWindowServices services;
        DatabaseFailureBox box(services);
        m_database->store.SetErrorReporter([&](const std::string& e) {
            m_errors << QString::fromStdString(e);
            box(e);
        });
        const auto click = [this] {
            CAdoDatabase db(m_database->store);
            QVERIFY(!db.Execute("insert into queryconfig(flagdesc) values('more')"));
            QVERIFY(!db.Execute("delete from queryconfig"));
        };
        click();
        QVERIFY2(m_errors.size() > 1, qPrintable(m_errors.join(QLatin1Char('\n'))));
        QCOMPARE(services.shown.size(), std::size_t{1});
        QCOMPARE(services.shown[0].kind, QStringLiteral("app"));
        QCOMPARE(services.shown[0].text, m_errors[0]);

        QCoreApplication::processEvents();  // the click is over
        click();
        QCOMPARE(services.shown.size(), std::size_t{2});
        QCOMPARE(services.shown[1].text, m_errors[0]);
    }

  private:
    void StoreTemplateAndBackUp() {
        CAdoDatabase db(m_database->store);
        QVERIFY(db.Execute("insert into queryconfig(flagdesc) values('kept')"));
        db.Close();
        QVERIFY(BackupDatabase(m_database->store).ok());
    }

    std::unique_ptr<TestDatabase> m_database;
    QStringList m_errors;
};

QTEST_MAIN(StartupRestoreTest)
#include "startup_restore_test.moc"
