// odbc-fetch: Qt SQL's QODBC driver, forward-only query, values as QVariant.
#include "FetchBench.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace fetchbench {
namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "odbc-fetch";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);
}

class QtReader : public Reader {
public:
    QtReader() {
        static std::atomic<int> counter{0};
        name_ = QStringLiteral("odbc-fetch-%1").arg(++counter);
    }
    ~QtReader() override {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isValid()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    void connect(const Job& job) override {
        ensureApplication();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
        db.setDatabaseName(QString::fromStdString(job.connect));
        if (!db.open()) throw BenchError("QODBC open: " + db.lastError().text().toStdString());
    }

    Checksum read(const Job& job) override {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(QString::fromStdString(job.sql))) throw BenchError("QODBC exec: " + q.lastError().text().toStdString());
        Checksum sum;
        while (q.next()) {
            q.isNull(0) ? sum.null() : sum.integer(q.value(0).toLongLong());
            q.isNull(1) ? sum.null() : sum.integer(q.value(1).toLongLong());
            q.isNull(2) ? sum.null() : sum.cents(q.value(2).toDouble());
            if (q.isNull(3)) {
                sum.null();
            } else {
                const QByteArray text = q.value(3).toString().toLatin1();
                sum.text(text.constData(), static_cast<std::size_t>(text.size()));
            }
            if (q.isNull(4)) {
                sum.null();
            } else {
                const QDate d = q.value(4).toDate();
                sum.date(d.year(), static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
            }
            if (q.isNull(5)) {
                sum.null();
            } else {
                const QDateTime t = q.value(5).toDateTime();
                const QDate d = t.date();
                const QTime tm = t.time();
                sum.timestamp(d.year(), static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()),
                              static_cast<unsigned>(tm.hour()), static_cast<unsigned>(tm.minute()),
                              static_cast<unsigned>(tm.second()));
            }
            sum.endRow();
        }
        if (q.lastError().isValid()) throw BenchError("QODBC fetch: " + q.lastError().text().toStdString());
        return sum;
    }

private:
    QString name_;
};

}  // namespace

std::string qtOdbcMissing() {
    ensureApplication();
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) ? std::string()
                                                                     : "Qt SQL's ODBC driver (libqt6sql6-odbc) not found";
}

std::unique_ptr<Reader> makeQtReader() { return std::make_unique<QtReader>(); }

}  // namespace fetchbench
