#pragma once
// The printed layouts of the report windows and history browsers, as data: a list report (one
// framed line per row under bold heads, a total at the foot), a grouped report (a header per
// group of rows, group and report totals) and the one-page period totals. Each builder turns a
// description into a report of the engine; positions are in 1/96 inch inside the margins.
#include "Decimal.h"
#include "Report.h"

#include <QString>
#include <QStringList>

class QWidget;

#include <vector>

namespace kestrum::reports {

/// \brief One printed column: its bold head and what each row prints under it.
struct ListColumn {
    QString head;
    double x = 0;
    double width = 80;
    report::RowText text;
    /// A money field summed in the footer under this column ("" for none).
    QString sumField;
};

/// Column printing a field's text as stored.
ListColumn fieldColumn(const QString& head, double x, double width, const QString& field);
/// Column printing a money field with two decimals and the currency sign.
ListColumn moneyColumn(const QString& head, double x, double width, const QString& field);
/// A money column whose sum is printed under it at the foot.
ListColumn summedMoneyColumn(const QString& head, double x, double width, const QString& field);

struct ListLayout {
    QString title;  ///< the preview's caption
    std::vector<ListColumn> columns;
    QString totalLabel;  ///< "Total  $: "
    QString totalField;  ///< the money field summed at the foot ("" for none)
    bool landscape = false;  ///< wide lists print across the page
};

/// \brief Page header with the shop name centred and bold above the heads, one framed band per
/// row of `rows`, and a footer with the label and the sum of the total field.
void buildListReport(report::Report& r, const ListLayout& layout, report::ReportDataSet* rows, const QString& shop);

/// \brief A label and the field printed after it in a group header ("Po#" Po_Order).
struct GroupLabel {
    QString label;
    QString field;
};

struct GroupedLayout {
    QString title;        ///< printed under the shop name ("Vendors Report")
    QString groupField;   ///< a group starts whenever this field's value changes
    std::vector<GroupLabel> groupLabels;
    QString leadHead;     ///< an extra head at the left of the line heads ("Parts"); may be empty
    std::vector<ListColumn> lines;  ///< the line columns; the last one is the amount
    QString amountField;  ///< summed per group and over the report
    QString groupTotalLabel;   ///< "Total Order"
    QString reportTotalLabel;  ///< "Total"
};

/// \brief Page header with page number, shop name, time and date and the title; per group a header
/// with its labels and the line heads between two rules; one underlined band per row; a group
/// footer with the group's sum and a boxed band with the report's sum.
void buildGroupedReport(report::Report& r, const GroupedLayout& layout, report::ReportDataSet* rows,
                        const QString& shop);

/// \brief The figures of a period: what the invoices' parts, labor and parts tax come to, and
/// what the purchase orders come to.
struct PeriodFigures {
    Decimal parts;
    Decimal labor;
    Decimal tax;
    Decimal orders;
    Decimal total() const { return parts + tax + labor; }
};

struct TotalsLayout {
    QString title;       ///< "Total Amounts Report"
    QString boxHeading;  ///< "Invoice Total Report"
};

/// \brief One page: shop name, title, the period line, the invoice box with its four columns and
/// the purchase-order box.
void buildTotalsReport(report::Report& r, const TotalsLayout& layout, const PeriodFigures& figures,
                       const QString& shop);

/// The shop's name from the profile row the data module read at start-up ("" when none).
QString shopName();

}  // namespace kestrum::reports

namespace kestrum {
class Query;
}

namespace kestrum::reports {

/// \brief Prints the rows of `q` as they stand (opened by the caller) with a list layout and shows
/// the preview.
void showListReport(const ListLayout& layout, Query* q, QWidget* parent);
/// Same with a grouped layout.
void showGroupedReport(const GroupedLayout& layout, Query* q, QWidget* parent);
/// Same over rows a dataset reads (a statement read in parts).
void showGroupedReport(const GroupedLayout& layout, report::ReportDataSet* rows, QWidget* parent);

}  // namespace kestrum::reports
