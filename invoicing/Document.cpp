#include "Document.h"

#include "DataModule.h"
#include "Field.h"
#include "LineEditor.h"
#include "Query.h"

namespace kestrum::invoicing {

using lines::LineValue;

const DocumentSpec& invoiceDocument()
{
    static const DocumentSpec d = [] {
        DocumentSpec s;
        s.headerTable = "Invoice";
        s.itemTable = "InvItem";
        s.laborTable = "InvLabor";
        // Archived headers and lines, lines and payments left behind by a deleted invoice.
        s.numberSources = {{"Invoice", "InvoiceNo_Inv"},
                           {"InvoiceCash", "InvoiceNo_Inv"},
                           {"InvItem", "Inv_Item"},
                           {"InvLabor", "Inv_Labor"},
                           {"InvItemCash", "Inv_Item"},
                           {"InvLaborCash", "Inv_Labor"},
                           {"Receivable", "InvoiceNo_Receivable"}};
        s.list = &TDM::QInv1;
        s.probe = &TDM::QInv2;
        s.items = &TDM::QInvItem3;
        s.itemSum = &TDM::QInvItem4;
        s.labor = &TDM::QInvLabor3;
        s.laborSum = &TDM::QInvLabor4;
        s.itemEditor[0] = &TDM::QInvItem1;
        s.itemEditor[1] = &TDM::QInvItem2;
        s.itemEditor[2] = &TDM::QInvItem3;
        s.itemEditor[3] = &TDM::QInvItem4;
        s.laborEditor[0] = &TDM::QInvLabor1;
        s.laborEditor[1] = &TDM::QInvLabor2;
        s.laborEditor[2] = &TDM::QInvLabor3;
        s.laborEditor[3] = &TDM::QInvLabor4;
        s.caption = "Invoice";
        s.numberCaption = "Invoice #";
        s.totalCaption = "Total Invoice $";
        s.printCaption = "Print Invoice";
        s.notBalanced = "Invoice is not Balance";
        s.printTitle = "Invoice";
        s.word = "invoice";
        s.listTitles = {"Invoice #",   "Customer Name",  "Repair Person", "Invoice Date", "Driver Name",
                        "Amount",      "License Number", "Entry Date",    "Remark"};
        s.lineDocumentTitle = "Invoice";
        s.lineDocumentTitleAfter = "Invoice";
        s.itemEditorClass = "TInvItem";
        s.laborEditorClass = "TInvLabor";
        s.itemFinderClass = "TInvPartFind";
        s.laborFinderClass = "TInvLaborFind";
        s.itemEditorPanel = "Invoice Parts";
        s.laborEditorPanel = "Invoice Labor";
        s.archiveLabor = &TDM::QInvLabor1;
        return s;
    }();
    return d;
}

qint64 nextNumber(const DocumentSpec& doc, kestrum::Query* q)
{
    QStringList parts;
    for (const auto& [table, column] : doc.numberSources)
        parts << "Select Max(" + column + ") As Top_No From " + table;
    q->setStatement("Select Max(Top_No) As Top_No From (" + parts.join(" Union All ") + ") Numbers");
    q->Open();
    const Field top = q->FieldByName("Top_No");
    return top.IsNull() ? 1 : top.AsInteger() + 1;
}

lines::LineSpec partLineSpec(const DocumentSpec& doc)
{
    lines::LineSpec s;
    s.table = doc.itemTable;
    s.documentColumn = "Inv_Item";
    s.identityColumn = "Color_Item";
    s.fields = {
        {"ComboBox1", "Name_Item"},
        {"Edit1", "Mfg_Item"},
        {"Edit2", "Qty_Item", LineValue::Number, "0"},
        {"Edit3", "Style_Item"},
        {"Edit4", "Color_Item"},
        {"Edit5", "Rate_Item", LineValue::Number, "0.00"},
        {"Edit6", "Amount_Item", LineValue::Number, "0.00"},
    };
    s.header = {{"Label15", "ComboBox1"}, {"Label17", "Edit2"}};
    s.documentWord = doc.word;
    s.amountColumn = "Amount_Item";
    s.totalLabel = "Label7";
    s.listQuery = doc.itemEditor[0];
    s.probeQuery = doc.itemEditor[1];
    s.lookupQuery = doc.itemEditor[2];
    s.sumQuery = doc.itemEditor[3];
    s.catalogue = {"Part",
                   "Number_Material",
                   {{"Edit1", "Mfg_Material"}, {"Edit3", "Style_Material"}, {"Edit4", "Color_Material"},
                    {"Edit5", "Price_Material"}},
                   true};
    s.catalogue.keyColumn = "ID_Material";
    s.titles = {{"Name", 160},  {"Mfg", 100},    {"Qty", 50},    {"Style", 100},
                {"Part No", 100}, {"Rate", 100}, {"Amount", 100}, {doc.lineDocumentTitle, 70}};
    s.reloadTitles = s.titles;
    s.reloadTitles[0].title = "Name Item";
    s.reloadTitles[7].title = doc.lineDocumentTitleAfter;
    s.cycle = {"ComboBox1", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"};
    s.finderClass = doc.itemFinderClass;
    return s;
}

lines::LineSpec laborLineSpec(const DocumentSpec& doc)
{
    lines::LineSpec s;
    s.table = doc.laborTable;
    s.documentColumn = "Inv_Labor";
    s.identityColumn = "Description_Labor";
    s.fields = {
        {"ComboBox1", "Description_Labor"},
        {"Edit1", "PartNo_Labor"},
        {"Edit2", "Qty_Labor", LineValue::Number, "0"},
        {"Edit5", "Rate_Labor", LineValue::Number, ""},
        {"Edit6", "Amount_Labor", LineValue::Number, "0.00"},
        {"Edit4", "Remark_Labor"},
    };
    s.header = {{"Label15", "ComboBox1"}, {"Label17", "Edit2"}};
    s.documentWord = doc.word;
    s.amountColumn = "Amount_Labor";
    s.totalLabel = "Label4";
    s.listQuery = doc.laborEditor[0];
    s.probeQuery = doc.laborEditor[1];
    s.lookupQuery = doc.laborEditor[2];
    s.sumQuery = doc.laborEditor[3];
    s.catalogue = {"Labor",
                   "Description_Labor",
                   {{"Edit1", "PartNo_Labor"}, {"Edit5", "Rate_Labor"}, {"Edit4", "Remark_Labor"}},
                   true};
    s.catalogue.keyColumn = "ID_Labor";
    s.titles = {{"Description", 160}, {"Part Number", 100}, {"Qty", 50},  {"Rate", 100},
                {"Amount", 100},      {"Remark", 100},      {doc.lineDocumentTitle, 100}};
    s.reloadTitles = s.titles;
    s.reloadTitles[6].title = doc.lineDocumentTitleAfter;
    s.finderClass = doc.laborFinderClass;  // no key handling: the labor editor never had any
    return s;
}

lines::PickerSpec partFinderSpec()
{
    lines::PickerSpec s;
    s.query = &TDM::Q1;
    s.select = "Select Color_Material,Description_Material,Type_Material,Number_Material,Mfg_Material,"
               "Price_Material,Unit_Material,Style_Material,ID_Material From Part";
    s.sortColumn = "Color_Material";
    s.searchColumn = "Description_Material";
    s.countFollows = true;  // the whole catalogue: its first page shows while it is counted
    s.columns = {{"Part Name", 100}, {"Description", 150}, {"Type Part", 90}, {"#", 100},
                 {"Mfg", 80},        {"Price $", 80},      {"Unit", 80},      {"Style", 80}};
    s.copies = {{"Number_Material", "ComboBox1"},
                {"Mfg_Material", "Edit1"},
                {"Style_Material", "Edit3"},
                {"Color_Material", "Edit4"},
                {"Price_Material", "Edit5", [](const Field& f) { return lines::markedUpRate(f.AsCurrency()); }}};
    return s;
}

lines::PickerSpec laborFinderSpec()
{
    lines::PickerSpec s;
    s.query = &TDM::Q1;
    s.select = "Select * From Labor";
    s.sortColumn = "Description_Labor";
    s.searchColumn = "Description_Labor";
    s.copies = {{"Description_Labor", "ComboBox1"},
                {"PartNo_Labor", "Edit1"},
                {"Rate_Labor", "Edit5"},
                {"Remark_Labor", "Edit4"}};
    return s;
}

}  // namespace kestrum::invoicing
