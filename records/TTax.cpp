#include "TTax.h"

#include "ui_TTax.h"

#include "DataModule.h"
#include "Query.h"
#include "Schema.h"

using namespace kestrum;
using namespace kestrum::records;

QPointer<TTax> Tax;

namespace {

RecordSpec taxSpec()
{
    RecordSpec s;
    s.table = "Tax";
    s.keyColumn = "Id_T";
    s.listSql = "Select Id_T, Year_T, A_T, E_T,Tax_T  From Tax";
    s.savedListSql = "Select Id_T, Year_T,A_T, E_T,Tax_T From Tax";
    s.fields = {
        {"Edit2", "Year_T", FieldKind::Integer},
        {"Edit3", "A_T", FieldKind::Integer},
        {"Edit4", "E_T", FieldKind::Integer},
        {"Edit5", "Tax_T", FieldKind::Number},
    };
    s.editKeys = false;
    s.gridKeyHandlers = false;  // only a click copies a row here
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::LocateKeepControls;
    s.refreshAction = RefreshAction::LocateKey;
    s.cancelAction = CancelAction::Nothing;
    s.titles = {{"No", 100}, {"Year", 200}, {"Starting Month", 200}, {"Ending Month", 100}, {"Tax", 100}};
    return s;  // no sortable titles and no search column: its search box has never searched
}

}  // namespace

TTax::TTax(QWidget* parent)
    : RecordWindow(taxSpec(), parent),
      list_(new Query(DM->database(), "QTax1", this)),
      probe_(new Query(DM->database(), "QTax2", this)),
      ui(std::make_unique<Ui::TTax>())
{
    ui->setupUi(this);
    setupRecordWindow();
    Tax = this;
}

TTax::~TTax() = default;

namespace kestrum::records {

Decimal taxRate(const QDate& date)
{
    return findTaxRate(date).value_or(Decimal{});
}

std::optional<Decimal> findTaxRate(const QDate& date)
{
    Query* q = DM->QTax;
    q->setStatement("Select * From Tax where Year_T =?\n"
                    "and A_T<=?\n"
                    "and E_T>=?\n"
                    "Order By Id_T",
                    {date.year(), date.month(), date.month()});
    q->Open();
    if (q->RecordCount() == 0)
        return std::nullopt;
    return q->FieldByName("Tax_T").AsCurrency();
}

namespace {

QString yearOf(const QString& dateColumn)
{
    return schema::yearOfSql(schema::engineOf(DM->database()), dateColumn);
}

QString monthOf(const QString& dateColumn)
{
    return schema::monthOfSql(schema::engineOf(DM->database()), dateColumn);
}

// findTaxRate's rule for a year and a month given as SQL (kept with the invoice totals' triggers,
// which follow the same rule).
QString coveringRate(const QString& year, const QString& month)
{
    return schema::coveringTaxRateSql(year, month);
}

}  // namespace

QString taxRateExpression(const QString& dateColumn, QVariantList& values)
{
    Q_UNUSED(values);
    // findTaxRate's rule read in the statement: a Case with a branch per rate row made SQLite
    // spend longer preparing the statement than running it, and tried every branch on every row.
    return "Coalesce(" + coveringRate(yearOf(dateColumn), monthOf(dateColumn)) + ", 0)";
}

QString monthKey(const QString& dateColumn)
{
    return yearOf(dateColumn) + " * 100 + " + monthOf(dateColumn);
}

QString monthlyRateJoinOnKey(const QString& alias, const QString& key)
{
    QStringList months;
    for (int m = 1; m <= 12; ++m)
        months << QStringLiteral("Select %1 As Month_R").arg(m);
    const QString covered = QStringLiteral("Exists (Select 1 From Tax C where C.Year_T = Y.Year_T And C.A_T <= "
                                           "M.Month_R And C.E_T >= M.Month_R)");
    // Joined on one key (year * 100 + month): SQLite's automatic index then takes the month as well,
    // where on two columns it searched by the year and tried its twelve months on every row.
    return QStringLiteral(" Left Join (Select Y.Year_T * 100 + M.Month_R As Key_R, %1 As Tax_R From (Select Distinct"
                          " Year_T From Tax where Year_T Is Not Null) Y, (%2) M where %3) %4 On %4.Key_R = %5")
        .arg(coveringRate(QStringLiteral("Y.Year_T"), QStringLiteral("M.Month_R")),
             months.join(QStringLiteral(" Union All ")), covered, alias, key);
}

QString monthlyRateJoin(const QString& alias, const QString& dateColumn)
{
    return monthlyRateJoinOnKey(alias, monthKey(dateColumn));
}

}  // namespace kestrum::records
