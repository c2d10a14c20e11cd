#pragma once
// An invoice-like document as data: its tables, the pool queries that show it, the window's texts
// and the classes of its line editors and finders. The invoice and the estimate are the same
// window and the same line editors over two of these.
#include "LineSpec.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class TDM;

namespace kestrum {
class Query;
}

namespace kestrum::invoicing {

struct DocumentSpec {
    // tables
    QString headerTable;  ///< "Invoice"
    QString itemTable;    ///< "InvItem"
    QString laborTable;   ///< "InvLabor"
    /// Every (table, column) holding numbers of this kind of document: New proposes a number
    /// above all of them, so a new document never inherits lines or payments left behind.
    std::vector<std::pair<QString, QString>> numberSources;

    // pool queries of the window
    kestrum::Query* TDM::*list = nullptr;      ///< the list (grid, Save statements, printout header)
    kestrum::Query* TDM::*probe = nullptr;     ///< the existence test of Save and the numbering of New
    kestrum::Query* TDM::*items = nullptr;     ///< part lines shown (and printed)
    kestrum::Query* TDM::*itemSum = nullptr;   ///< part total
    kestrum::Query* TDM::*labor = nullptr;     ///< labor lines shown (and printed)
    kestrum::Query* TDM::*laborSum = nullptr;  ///< labor total
    // pool queries of the line editors (list, probe, look-up, sum)
    kestrum::Query* TDM::*itemEditor[4] = {};
    kestrum::Query* TDM::*laborEditor[4] = {};

    // texts
    QString caption;        ///< window caption and panel title: "Invoice"
    QString numberCaption;  ///< "Invoice #"
    QString totalCaption;   ///< "Total Invoice $"
    QString printCaption;   ///< "Print Invoice"
    QString notBalanced;    ///< "Invoice is not Balance"
    QString printTitle;     ///< the big title on the printout: "Invoice"
    QString word;           ///< in messages: "invoice"
    /// Titles of the list's first nine columns, by position.
    QStringList listTitles;
    /// Last title of the line editors' grids at opening and after changes.
    QString lineDocumentTitle;
    QString lineDocumentTitleAfter;

    // windows
    QString itemEditorClass;   ///< "TInvItem"
    QString laborEditorClass;  ///< "TInvLabor"
    QString itemFinderClass;   ///< "TInvPartFind"
    QString laborFinderClass;  ///< "TInvLaborFind"
    QString itemEditorPanel;   ///< "Invoice Parts"
    QString laborEditorPanel;  ///< "Invoice Labor"

    /// Payments are keyed by invoice number: only an invoice shows a paid figure and hands its
    /// number to the receivable and payment-history windows.
    bool showsPayments = true;
    /// The pool query that copies the labor lines into the archive.
    kestrum::Query* TDM::*archiveLabor = nullptr;
};

/// The invoice: Invoice, InvItem, InvLabor on QInv1..2, QInvItem1..4, QInvLabor1..4.
const DocumentSpec& invoiceDocument();

/// \brief The number New proposes: one above every number of the document's kind still in use
/// (1 for none), read with `q`.
qint64 nextNumber(const DocumentSpec& doc, kestrum::Query* q);

/// The part-line and labor-line editors of a document.
lines::LineSpec partLineSpec(const DocumentSpec& doc);
lines::LineSpec laborLineSpec(const DocumentSpec& doc);
/// The finders (the part finder adds the 20 % mark-up to the price).
lines::PickerSpec partFinderSpec();
lines::PickerSpec laborFinderSpec();

}  // namespace kestrum::invoicing
