#include "PgDump.h"

#include "PartialFile.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>

#include <odbcinst.h>

#include <functional>
#include <vector>

namespace kestrum::backup {
namespace {

QStringList connectionArguments(const PgTarget& t) {
    QStringList args{QStringLiteral("--no-password")};
    if (!t.host.isEmpty()) args << QStringLiteral("--host") << t.host;
    if (!t.port.isEmpty()) args << QStringLiteral("--port") << t.port;
    if (!t.user.isEmpty()) args << QStringLiteral("--username") << t.user;
    return args;
}

QProcessEnvironment environment(const PgTarget& t) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!t.password.isEmpty()) env.insert(QStringLiteral("PGPASSWORD"), t.password);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("15"));
    return env;
}

// Runs a client program to its end; its output goes to `sink` as it comes. Throws BackupError
// with its messages when it fails, Cancelled (after stopping it) when `progress` says stop.
void run(const QString& program, const QStringList& args, const QProcessEnvironment& env, const Progress& progress,
         const std::function<void(const QByteArray&)>& sink = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(pgTool(program), args);
    if (!p.waitForStarted(30000))
        throw BackupError(QStringLiteral("%1 could not be started: %2").arg(program, p.errorString()));
    QByteArray errors;
    for (;;) {
        const bool finished = p.state() == QProcess::NotRunning || p.waitForFinished(50);
        const QByteArray out = p.readAllStandardOutput();
        if (sink && !out.isEmpty()) sink(out);
        errors += p.readAllStandardError();
        if (finished) break;
        if (progress && !progress(0, 0)) {
            p.kill();
            p.waitForFinished();
            throw Cancelled();
        }
    }
    const QByteArray rest = p.readAllStandardOutput();
    if (sink && !rest.isEmpty()) sink(rest);
    errors += p.readAllStandardError();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw BackupError(QStringLiteral("%1 failed:\n%2").arg(program, QString::fromLocal8Bit(errors).trimmed()));
}

// The table names a custom-format dump lists (lower case, as PostgreSQL keeps them).
QStringList listedTables(const QString& file, const Progress& progress) {
    QByteArray list;
    run(QStringLiteral("pg_restore"), {QStringLiteral("--list"), file}, QProcessEnvironment::systemEnvironment(),
        progress, [&](const QByteArray& out) { list += out; });
    QStringList tables;
    for (const QByteArray& line : list.split('\n')) {
        // "215; 1259 16390 TABLE public invoice postgres"
        const QList<QByteArray> words = line.simplified().split(' ');
        const qsizetype at = words.indexOf(QByteArray("TABLE"));
        if (line.startsWith(';') || at < 0 || at + 2 >= words.size() || words[at + 1] == "DATA") continue;
        tables << QString::fromUtf8(words[at + 2]).toLower();
    }
    return tables;
}

void requireSchemaTables(const QString& file, const QStringList& listed) {
    // Tables kept from the others are made again when an older backup is brought forward.
    for (const schema::Table& t : schema::tables())
        if (!t.derived && !listed.contains(t.name.toLower()))
            throw BackupError(QStringLiteral("The file \"%1\" is not a Kestrum backup: it has no table %2. "
                                             "Nothing was changed.")
                                  .arg(QDir::toNativeSeparators(file), t.name));
}

// Rows of one table in a dump: the lines of its COPY data, counted as they stream by.
qint64 dumpedRows(const QString& file, const QString& table, const Progress& progress) {
    qint64 rows = 0;
    bool inData = false;
    QByteArray partial;
    run(QStringLiteral("pg_restore"),
        {QStringLiteral("--data-only"), QStringLiteral("--table"), table.toLower(), QStringLiteral("--file"),
         QStringLiteral("-"), file},
        QProcessEnvironment::systemEnvironment(), progress, [&](const QByteArray& out) {
            partial += out;
            qsizetype start = 0, end;
            while ((end = partial.indexOf('\n', start)) >= 0) {
                const QByteArrayView line(partial.constData() + start, end - start);
                if (inData)
                    line == QByteArrayView("\\.") ? void(inData = false) : void(++rows);
                else if (line.startsWith("COPY "))
                    inData = true;
                start = end + 1;
            }
            partial.remove(0, start);
        });
    return rows;
}

// The value of the first of `keys` in an ODBC connection string ("{...}" may hold ';' and "}}").
QString value(const QString& connection, const QStringList& keys) {
    for (qsizetype at = 0; at < connection.size();) {
        const qsizetype eq = connection.indexOf(u'=', at);
        if (eq < 0) break;
        const QString key = connection.mid(at, eq - at).trimmed();
        QString text;
        qsizetype end = eq + 1;
        while (end < connection.size() && connection[end].isSpace()) ++end;
        if (end < connection.size() && connection[end] == u'{') {
            for (++end; end < connection.size(); ++end) {
                if (connection[end] == u'}') {
                    if (end + 1 < connection.size() && connection[end + 1] == u'}') {
                        text += u'}';
                        ++end;
                        continue;
                    }
                    ++end;
                    break;
                }
                text += connection[end];
            }
            end = connection.indexOf(u';', end);
        } else {
            end = connection.indexOf(u';', eq + 1);
            text = connection.mid(eq + 1, end < 0 ? -1 : end - eq - 1).trimmed();
        }
        for (const QString& k : keys)
            if (key.compare(k, Qt::CaseInsensitive) == 0) return text;
        if (end < 0) break;
        at = end + 1;
    }
    return {};
}

// A key of the data source `dsn` as the ODBC installer reads it (the user's odbc.ini, then the
// system's); the first of `keys` that is set.
QString dataSourceValue(const QString& dsn, const QStringList& keys) {
    if (dsn.isEmpty()) return {};
    std::vector<char> buf(4096);
    for (const QString& k : keys) {
        const int n = SQLGetPrivateProfileString(dsn.toLocal8Bit().constData(), k.toLatin1().constData(), "",
                                                 buf.data(), int(buf.size()), "odbc.ini");
        if (n > 0 && buf[0] != '\0') return QString::fromLocal8Bit(buf.data(), qstrnlen(buf.data(), std::size_t(n)));
    }
    return {};
}

}  // namespace

PgTarget pgTarget(const QSqlDatabase& db, const QString& connection) {
    // What the connection string leaves out comes from its data source, as the driver does it.
    const QString dsn = value(connection, {QStringLiteral("DSN")});
    const auto setting = [&](const QStringList& keys) {
        const QString given = value(connection, keys);
        return given.isEmpty() ? dataSourceValue(dsn, keys) : given;
    };
    PgTarget t;
    t.host = setting({QStringLiteral("Server"), QStringLiteral("Servername"), QStringLiteral("Host")});
    t.port = setting({QStringLiteral("Port")});
    t.database = setting({QStringLiteral("Database"), QStringLiteral("DB"), QStringLiteral("Dbname")});
    t.user = setting({QStringLiteral("Uid"), QStringLiteral("Username"), QStringLiteral("User")});
    t.password = setting({QStringLiteral("Pwd"), QStringLiteral("Password")});
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT current_database(), current_user, inet_server_port(), host(inet_server_addr())")) &&
        q.next()) {
        t.database = q.value(0).toString();
        t.user = q.value(1).toString();
        if (!q.value(2).isNull()) t.port = q.value(2).toString();
        if (t.host.isEmpty() && !q.value(3).isNull()) t.host = q.value(3).toString();
    }
    return t;
}

QString pgTool(const QString& program) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        throw BackupError(QStringLiteral("%1 was not found on the path. Install the PostgreSQL client programs "
                                         "(Debian package postgresql-client-15) and try again.")
                              .arg(program));
    return path;
}

void dumpPostgres(const PgTarget& target, const QString& file, const Progress& progress) {
    pgTool(QStringLiteral("pg_dump"));
    pgTool(QStringLiteral("pg_restore"));
    PartialFile out(file);
    QStringList args = connectionArguments(target);
    args << QStringLiteral("--format=custom") << QStringLiteral("--file") << out.path() << QStringLiteral("--dbname")
         << target.database;
    run(QStringLiteral("pg_dump"), args, environment(target), progress);
    requireSchemaTables(file, listedTables(out.path(), progress));
    // A cancel asked for while the last steps ran still leaves nothing behind.
    if (progress && !progress(1, 1)) throw Cancelled();
    out.commit(0600);
}

BackupInfo inspectPostgresDump(const QString& file, const Progress& progress) {
    if (!QFileInfo(file).isFile())
        throw BackupError(QStringLiteral("The file \"%1\" does not exist.").arg(QDir::toNativeSeparators(file)));
    QStringList listed;
    try {
        listed = listedTables(file, progress);
    } catch (const Cancelled&) {
        throw;
    } catch (const BackupError& e) {
        throw BackupError(QStringLiteral("The file \"%1\" is not a readable backup; nothing was changed.\n\n%2")
                              .arg(QDir::toNativeSeparators(file), e.text()));
    }
    requireSchemaTables(file, listed);
    BackupInfo info;
    info.taken = QFileInfo(file).lastModified();
    info.invoices = dumpedRows(file, QStringLiteral("Invoice"), progress);
    info.customers = dumpedRows(file, QStringLiteral("Customer"), progress);
    info.parts = dumpedRows(file, QStringLiteral("Part"), progress);
    return info;
}

qint64 postgresRows(const QSqlDatabase& db) {
    const QStringList have = db.tables(QSql::Tables);
    qint64 rows = 0;
    bool any = false;
    for (const schema::Table& t : schema::tables()) {
        if (!have.contains(t.name, Qt::CaseInsensitive)) continue;
        any = true;
        if (t.name == QLatin1String("Reg") || t.name == QLatin1String("Pass")) continue;
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(t.name)) && q.next()) rows += q.value(0).toLongLong();
    }
    return any ? rows : -1;
}

void restorePostgres(const PgTarget& target, const QString& file, bool replace, const Progress& progress) {
    QStringList args = connectionArguments(target);
    args << QStringLiteral("--single-transaction") << QStringLiteral("--exit-on-error") << QStringLiteral("--no-owner")
         << QStringLiteral("--no-privileges");
    if (replace) args << QStringLiteral("--clean") << QStringLiteral("--if-exists");
    args << QStringLiteral("--dbname") << target.database << file;
    run(QStringLiteral("pg_restore"), args, environment(target), progress);
}

}  // namespace kestrum::backup
