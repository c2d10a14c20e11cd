// The installed program on a first start: a fresh home with no data source. It must register the
// source, create the database with every table and open the login window; a second start must use
// what the first made. Nothing here may touch the real ~/.odbc.ini: every run names its own.
#include "TestDatabase.h"
#include "WindowTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Program = QStringLiteral(KESTRUM_INSTALLED);

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text);
}

// A home of its own: HOME, the XDG folders and both ODBC files point into a temporary folder.
class Sandbox {
public:
    Sandbox()
    {
        for (const char* sub : {"home", "data", "config", "cache", "state", "runtime", "odbcsys"})
            QDir().mkpath(path(sub));
        QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The drivers are the system's; the system's data sources are not.
        QFile::copy("/etc/odbcinst.ini", path("odbcsys/odbcinst.ini"));
        writeFile(path("odbcsys/odbc.ini"), "");
        env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", path("home"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_CACHE_HOME", path("cache"));
        env.insert("XDG_STATE_HOME", path("state"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        env.insert("ODBCINI", iniFile());
        env.insert("ODBCSYSINI", path("odbcsys"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "kestrum.startup.info=true");
        // The program is killed at the end of each run: nothing to report then.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
    }
    QString path(const QString& sub) const { return dir.filePath(sub); }
    QString iniFile() const { return path("home/.odbc.ini"); }
    QString database() const { return path("data/kestrum/kestrum.db"); }

    struct Run {
        bool loginOpen = false;
        bool exited = false;
        int exitCode = -1;
        QString out, err;
    };

    // Starts the program and waits until it logs the open login window (then stops it) or ends.
    Run start(const QStringList& args = {})
    {
        Run r;
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(Program, args);
        if (!p.waitForStarted(30000)) {
            r.err = p.errorString();
            return r;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 90000) {
            if (p.waitForFinished(200)) {
                r.exited = true;
                r.exitCode = p.exitCode();
                break;
            }
            r.err += QString::fromLocal8Bit(p.readAllStandardError());
            if (r.err.contains("login window open")) {
                r.loginOpen = true;
                break;
            }
        }
        if (!r.exited) {
            p.waitForReadyRead(200);
            p.kill();
            p.waitForFinished();
        }
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err += QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    // --check-database through the data source the first start registered.
    std::pair<int, QString> check()
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(Program, {"--check-database"});
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError())};
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

std::string show(const Sandbox::Run& r)
{
    return ("stdout: " + r.out + "\nstderr: " + r.err).toStdString();
}

}  // namespace

TEST(FirstStart, RegistersTheSourceCreatesTheDatabaseAndASecondStartUsesThem)
{
    Sandbox box;
    ASSERT_FALSE(QFile::exists(box.iniFile()));

    const Sandbox::Run first = box.start();
    ASSERT_TRUE(first.loginOpen) << show(first);
    const QByteArray ini = readFile(box.iniFile());
    EXPECT_EQ(ini, QByteArray("[Kestrum]\nDescription=Kestrum shop database\nDriver=SQLite3\nDatabase=")
                       + QFile::encodeName(box.database()) + "\nTimeout=2000\nStepAPI=1\n\n");
    EXPECT_TRUE(QFileInfo(box.database()).size() > 0);
    // Told once where the data lives and how to log in.
    EXPECT_TRUE(first.out.contains(box.database())) << show(first);
    EXPECT_TRUE(first.out.contains("\"Guest\"") && first.out.contains("\"12\"")) << show(first);
    EXPECT_TRUE(first.err.contains("registered data source Kestrum")) << show(first);

    const auto [rc, report] = box.check();
    EXPECT_EQ(rc, 0) << report.toStdString();
    EXPECT_TRUE(report.contains("every table, column and index")) << report.toStdString();

    const QByteArray databaseBefore = readFile(box.database());
    const Sandbox::Run second = box.start();
    ASSERT_TRUE(second.loginOpen) << show(second);
    EXPECT_FALSE(second.err.contains("registered")) << show(second);
    EXPECT_FALSE(second.err.contains("created")) << show(second);
    EXPECT_FALSE(second.out.contains("Guest")) << show(second);  // no second notice
    EXPECT_EQ(readFile(box.iniFile()), ini);
    EXPECT_EQ(readFile(box.database()), databaseBefore);
}

TEST(FirstStart, AnExistingEntryIsNeverRewrittenAndItsMissingSqliteFileGetsTheTables)
{
    Sandbox box;
    const QString other = box.path("elsewhere/shop.db");
    const QByteArray ini = "; the shop's own entry\n[Kestrum]\nDriver=SQLite3\nDatabase=" + QFile::encodeName(other)
                           + "\n\n[Other]\nDriver=SQLite3\nDatabase=/nowhere.db\n";
    writeFile(box.iniFile(), ini);

    const Sandbox::Run first = box.start();
    ASSERT_TRUE(first.loginOpen) << show(first);
    EXPECT_EQ(readFile(box.iniFile()), ini);
    EXPECT_TRUE(first.err.contains("created database")) << show(first);
    EXPECT_FALSE(first.err.contains("registered")) << show(first);
    EXPECT_TRUE(QFileInfo(other).size() > 0);
    EXPECT_FALSE(QFile::exists(box.database()));
    EXPECT_EQ(box.check().first, 0);

    // With tables in it the file is the shop's data: a second start leaves it alone.
    const Sandbox::Run second = box.start();
    ASSERT_TRUE(second.loginOpen) << show(second);
    EXPECT_FALSE(second.err.contains("created")) << show(second);
    EXPECT_EQ(readFile(box.iniFile()), ini);
}

TEST(FirstStart, AnEntryForAnotherDriverIsLeftToItsOwner)
{
    Sandbox box;
    const QByteArray ini = "[Kestrum]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort=1\nDatabase=shop\n";
    writeFile(box.iniFile(), ini);
    const Sandbox::Run r = box.start();
    EXPECT_TRUE(r.exited) << show(r);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("could not be opened")) << show(r);
    EXPECT_EQ(readFile(box.iniFile()), ini);
    EXPECT_FALSE(QFile::exists(box.path("data/kestrum")));
}

TEST(FirstStart, WithoutTheSqliteDriverNothingIsWrittenAndTheUserIsToldWhy)
{
    Sandbox box;
    writeFile(box.path("odbcsys/odbcinst.ini"), "");
    const Sandbox::Run r = box.start();
    EXPECT_TRUE(r.exited) << show(r);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("libsqliteodbc")) << show(r);
    // unixODBC may leave an empty file behind when it looks for entries; none is written.
    EXPECT_TRUE(readFile(box.iniFile()).trimmed().isEmpty()) << readFile(box.iniFile()).toStdString();
    EXPECT_FALSE(QFile::exists(box.database()));
}

TEST(FirstStart, TheVersionIsTheProjectVersion)
{
    Sandbox box;
    QProcess p;
    p.setProcessEnvironment(box.env);
    p.start(Program, {"--version"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), QByteArray("kestrum " KESTRUM_VERSION "\n"));
    EXPECT_FALSE(QFile::exists(box.iniFile()));
}

// A connection given outright is used as it is, on either engine: no data source is registered.
class ExplicitConnection : public ::testing::TestWithParam<testsupport::Engine> {};

TEST_P(ExplicitConnection, RegistersNothing)
{
    TESTSUPPORT_REQUIRE_ENGINE(GetParam());
    testsupport::TestDatabase db(GetParam());
    testsupport::createSchema(db.kestrumConnection());
    Sandbox box;
    const Sandbox::Run r = box.start({"--connect", QString::fromStdString(db.kestrumConnection())});
    ASSERT_TRUE(r.loginOpen) << show(r);
    EXPECT_FALSE(r.err.contains("registered")) << show(r);
    EXPECT_TRUE(r.out.isEmpty()) << show(r);
    EXPECT_FALSE(QFile::exists(box.iniFile()));
    // No database of its own (the folder may hold the automatic backups of an SQLite database).
    EXPECT_FALSE(QFile::exists(box.path("data/kestrum/kestrum.db")));
}

INSTANTIATE_TEST_SUITE_P(Engines, ExplicitConnection, TESTSUPPORT_ENGINES);
