// PostgreSQL's side of backups: pg_dump taken while another connection writes holds one moment of
// the database; the password of a data source named by DSN is read from the data source and
// reaches pg_dump and pg_restore only through their environment; a refused password and a server
// that is gone give a clear message and no file under the final name.
#include "BackupTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace kestrum::backup;
using backuptest::BackupTest;
using backuptest::Snapshot;
using testsupport::Engine;

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text);
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
        old_ = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv() { had_ ? void(qputenv(name_, old_)) : void(qunsetenv(name_)); }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// A listening port on 127.0.0.1 that answers a PostgreSQL client's log-in by asking for the
// password in clear and refusing it; it remembers every password it was sent.
class RefusingServer {
public:
    RefusingServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(fd_, 8), 0);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~RefusingServer() {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    int port() const { return port_; }
    QStringList passwords() {
        std::lock_guard lock(mutex_);
        return passwords_;
    }

private:
    static bool readAll(int fd, char* to, std::size_t n) {
        while (n > 0) {
            const ssize_t got = ::recv(fd, to, n, 0);
            if (got <= 0) return false;
            to += got;
            n -= std::size_t(got);
        }
        return true;
    }
    static quint32 be32(const char* p) { return qFromBigEndian<quint32>(p); }
    static void sendAll(int fd, const QByteArray& b) { (void)::send(fd, b.constData(), std::size_t(b.size()), MSG_NOSIGNAL); }
    static QByteArray message(char type, const QByteArray& body) {
        QByteArray m(1, type);
        char len[4];
        qToBigEndian<quint32>(quint32(body.size() + 4), len);
        return m + QByteArray(len, 4) + body;
    }

    void serve() {
        while (!stop_) {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            talk(c);
            ::close(c);
        }
    }
    void talk(int c) {
        char head[8];
        for (;;) {  // encryption requests are declined; then the start-up message
            if (!readAll(c, head, 8)) return;
            const quint32 len = be32(head), code = be32(head + 4);
            if (len == 8 && (code == 80877103 || code == 80877104)) {
                sendAll(c, "N");
                continue;
            }
            QByteArray rest(int(len) - 8, '\0');
            if (len < 8 || !readAll(c, rest.data(), std::size_t(rest.size()))) return;
            break;
        }
        char cleartext[4];
        qToBigEndian<quint32>(3, cleartext);
        sendAll(c, message('R', QByteArray(cleartext, 4)));
        char type[5];
        if (!readAll(c, type, 5) || type[0] != 'p') return;
        QByteArray body(int(be32(type + 1)) - 4, '\0');
        if (!readAll(c, body.data(), std::size_t(body.size()))) return;
        {
            std::lock_guard lock(mutex_);
            passwords_ << QString::fromUtf8(body.constData());
        }
        static const char refused[] = "SFATAL\0VFATAL\0C28P01\0Mpassword authentication failed for user \"clerk\"\0";
        sendAll(c, message('E', QByteArray(refused, sizeof refused)));
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    QStringList passwords_;
};

// A port nothing listens on: a server that is gone.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class PgDumpTest : public BackupTest {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pg_dump").isEmpty())
            GTEST_SKIP() << "pg_dump is not on the path (Debian package postgresql-client-15)";
        BackupTest::SetUp();
    }

    // pg_dump and pg_restore first on the path as scripts that note their arguments and the
    // password they were given, then run the real programs.
    void logClientPrograms() {
        QDir().mkpath(dir_.filePath("bin"));
        for (const QString& program : {QStringLiteral("pg_dump"), QStringLiteral("pg_restore")}) {
            const QString real = QStandardPaths::findExecutable(program);
            ASSERT_FALSE(real.isEmpty());
            const QString script = dir_.filePath("bin/" + program);
            writeFile(script, QStringLiteral("#!/bin/sh\n"
                                             "printf 'args: %s\\n' \"$*\" >> '%1'\n"
                                             "printf 'PGPASSWORD: %s\\n' \"${PGPASSWORD-<unset>}\" >> '%1'\n"
                                             "exec '%2' \"$@\"\n")
                                  .arg(toolLog(), real)
                                  .toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        path_ = std::make_unique<ScopedEnv>("PATH", QFile::encodeName(dir_.filePath("bin")) + ':' + qgetenv("PATH"));
    }
    QString toolLog() const { return dir_.filePath("tools.log"); }
    QStringList logLines(const QString& prefix) {
        QFile f(toolLog());
        QStringList lines;
        if (!f.open(QIODevice::ReadOnly)) return lines;
        for (const QString& l : QString::fromUtf8(f.readAll()).split('\n'))
            if (l.startsWith(prefix)) lines << l.mid(prefix.size());
        return lines;
    }

    // Data sources of the test's own: ODBCINI and ODBCSYSINI point into its folder.
    void registerDataSources(const QByteArray& odbcIni) {
        const QString sys = dir_.filePath("odbcsys");
        QDir().mkpath(sys);
        QFile::copy("/etc/odbcinst.ini", sys + "/odbcinst.ini");  // the drivers are the system's
        writeFile(sys + "/odbc.ini", "");
        writeFile(dir_.filePath("odbc.ini"), odbcIni);
        sysIni_ = std::make_unique<ScopedEnv>("ODBCSYSINI", QFile::encodeName(sys));
        userIni_ = std::make_unique<ScopedEnv>("ODBCINI", QFile::encodeName(dir_.filePath("odbc.ini")));
    }

    // Nothing under any name in the folder: no final file and no partial one left behind.
    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // The PostgreSQL driver's library: the driver manager keeps the driver names it has read, so
    // the data sources name the library itself.
    static QString driverLibrary() {
        for (const QString& multiarch : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString lib = "/usr/lib/" + multiarch + "/odbc/psqlodbcw.so";
            if (QFile::exists(lib)) return lib;
        }
        return "psqlodbcw.so";
    }

    std::unique_ptr<ScopedEnv> path_, sysIni_, userIni_;
};

TEST_P(PgDumpTest, BackupWhileAnotherConnectionWritesIsOneMomentOfIt) {
    fill(200);
    const Snapshot before = live();
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    QString writerError;
    std::thread writer([&, conn = connection()] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "pg-writer");
            db.setDatabaseName(conn);
            if (!db.open()) {
                writerError = db.lastError().text();
                stop = true;
            }
            // Each step adds a customer and its invoice together: a backup holds both or neither.
            for (int i = 10000; !stop; ++i) {
                db.transaction();
                QSqlQuery q(db);
                q.prepare("INSERT INTO Customer (ID_Customer, Name_Customer) VALUES (?, ?)");
                q.addBindValue(i);
                q.addBindValue(QStringLiteral("w%1").arg(i));
                bool ok = q.exec();
                q.prepare("INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv) VALUES (?, ?)");
                q.addBindValue(i);
                q.addBindValue(QStringLiteral("w%1").arg(i));
                ok = ok && q.exec();
                if (ok && db.commit()) {
                    ++written;
                } else {
                    writerError = q.lastError().text();
                    db.rollback();
                    stop = true;
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("pg-writer");
    });
    QStringList files;
    for (int i = 0; i < 3 && !stop; ++i) {
        while (written < 10 * (i + 1) && !stop) QThread::msleep(2);
        files << dir_.filePath(QStringLiteral("during-%1.dump").arg(i));
        EXPECT_NO_THROW(backUp(where(), files.last()));
    }
    stop = true;
    writer.join();
    ASSERT_TRUE(writerError.isEmpty()) << writerError.toStdString();
    ASSERT_EQ(files.size(), 3);
    const Snapshot after = live();
    ASSERT_GT(after.value("Customer").size(), before.value("Customer").size());
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const Snapshot copy = backupContents(f);
        // Tables the writer did not touch are as they were; the others hold whole steps only, each
        // one the live database holds.
        for (auto it = before.begin(); it != before.end(); ++it)
            if (it.key() != "Customer" && it.key() != "Invoice") {
                EXPECT_EQ(copy.value(it.key()), it.value()) << it.key().toStdString();
            }
        const qsizetype steps = copy.value("Customer").size() - before.value("Customer").size();
        EXPECT_GE(steps, 10);
        EXPECT_EQ(copy.value("Invoice").size() - before.value("Invoice").size(), steps);
        for (const QString& row : copy.value("Customer")) EXPECT_TRUE(after.value("Customer").contains(row));
        for (const QString& row : copy.value("Invoice")) EXPECT_TRUE(after.value("Invoice").contains(row));
        // Whole steps: every customer the writer added has its invoice in the same backup.
        int pairs = 0;
        for (int i = 10000; i < 10000 + written; ++i) {
            const auto has = [&](const char* table) {
                for (const QString& row : copy.value(table))
                    if (row.split(QChar(0x1f)).contains(QStringLiteral("w%1").arg(i))) return true;
                return false;
            };
            const bool customer = has("Customer");
            EXPECT_EQ(customer, has("Invoice")) << i;
            pairs += customer;
        }
        EXPECT_EQ(pairs, steps);
    }
}

TEST_P(PgDumpTest, PasswordOfADataSourceGoesOnlyThroughTheEnvironment) {
    fill(5);
    logClientPrograms();
    const QString conn = connection();
    const auto part = [&](const char* key) { return conn.section(QString(key) + "=", 1).section(';', 0, 0); };
    RefusingServer refusing;
    const QByteArray secret = "s3cret; with space";
    registerDataSources(QStringLiteral("[kestrum-backup-test]\n"
                                       "Driver=%7\nServername=%1\nPort=%2\nDatabase=%3\n"
                                       "Username=%4\nPassword=trusted-pw-4471\n\n"
                                       "[kestrum-backup-refusing]\n"
                                       "Driver=%7\nServername=127.0.0.1\nPort=%5\nDatabase=shop\n"
                                       "Username=clerk\nPassword=%6\n")
                            .arg(part("Server"), part("Port"), part("Database"), part("Uid"))
                            .arg(refusing.port())
                            .arg(QString::fromUtf8(secret))
                            .arg(driverLibrary())
                            .toUtf8());

    // A backup of the test's database named by the data source (the test server trusts its
    // users, so the password is read and passed but not needed).
    {
        const PgTarget named = pgTarget(QSqlDatabase(), "DSN=kestrum-backup-test;");
        EXPECT_EQ(named.password, "trusted-pw-4471");
        EXPECT_EQ(named.database, part("Database"));
        EXPECT_EQ(named.port, part("Port"));
        const QString file = dir_.filePath("through-dsn.dump");
        EXPECT_NO_THROW(backUp(Location{kestrum::schema::Engine::PostgreSQL, {}, named, {}}, file));
        EXPECT_EQ(backupContents(file), live());
    }
    ASSERT_FALSE(logLines("args: ").isEmpty());
    EXPECT_TRUE(logLines("PGPASSWORD: ").contains("trusted-pw-4471"));
    for (const QString& args : logLines("args: ")) EXPECT_FALSE(args.contains("trusted-pw")) << args.toStdString();

    // A server that wants the password and refuses it: it was sent the data source's password,
    // and the user is told plainly, with nothing left in the folder.
    const PgTarget t = pgTarget(QSqlDatabase(), "DSN=kestrum-backup-refusing;");
    EXPECT_EQ(t.host, "127.0.0.1");
    EXPECT_EQ(t.port, QString::number(refusing.port()));
    EXPECT_EQ(t.database, "shop");
    EXPECT_EQ(t.user, "clerk");
    EXPECT_EQ(t.password, QString::fromUtf8(secret));
    // The connection string's own password wins over the data source's, braces and all.
    EXPECT_EQ(pgTarget(QSqlDatabase(), "DSN=kestrum-backup-refusing;PWD={a;b}}c};").password, "a;b}c");

    const QString out = dir_.filePath("refused");
    QDir().mkpath(out);
    try {
        dumpPostgres(t, out + "/shop.dump");
        ADD_FAILURE() << "a refused password made a backup";
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.text().contains("pg_dump failed")) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains("password authentication failed")) << e.text().toStdString();
    }
    EXPECT_EQ(filesIn(out), QStringList());
    EXPECT_THROW(restorePostgres(t, dir_.filePath("through-dsn.dump"), false), BackupError);
    EXPECT_EQ(refusing.passwords(), QStringList({QString::fromUtf8(secret), QString::fromUtf8(secret)}));
    for (const QString& args : logLines("args: ")) EXPECT_FALSE(args.contains("s3cret")) << args.toStdString();
}

TEST_P(PgDumpTest, ServerGoneSaysSoAndLeavesNoFile) {
    fill(5);
    PgTarget gone = where().pg;
    gone.host = "127.0.0.1";
    gone.port = QString::number(closedPort());
    const QString out = dir_.filePath("gone");
    QDir().mkpath(out);

    // The message names the program and what it could not do.
    const QString file = out + "/shop.dump";
    try {
        backUp(Location{kestrum::schema::Engine::PostgreSQL, {}, gone, {}}, file);
        ADD_FAILURE() << "a backup of a server that is gone";
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.text().contains("pg_dump failed")) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains("Connection refused") || e.text().contains("connection to server"))
            << e.text().toStdString();
    }
    EXPECT_EQ(filesIn(out), QStringList());

    // A good backup, then the server gone while restoring: refused the same way.
    const QString good = dir_.filePath("good.dump");
    backUp(where(), good);
    try {
        restorePostgres(gone, good, true);
        ADD_FAILURE() << "a restore into a server that is gone";
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.text().contains("pg_restore failed")) << e.text().toStdString();
    }
    // The database itself is untouched by either.
    EXPECT_EQ(count("Customer"), 5);
}

INSTANTIATE_TEST_SUITE_P(Engines, PgDumpTest, ::testing::Values(Engine::PostgreSQL),
                         [](const ::testing::TestParamInfo<Engine>& i) { return testsupport::engineName(i.param); });

}  // namespace
