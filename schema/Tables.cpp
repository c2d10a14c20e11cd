// The tables, columns (in stored order), keys and indexes of the database.
#include "Schema.h"

namespace kestrum::schema {
namespace {

using T = ColumnType;

QList<Column> cols(std::initializer_list<std::pair<const char*, T>> list) {
    QList<Column> out;
    for (const auto& [name, type] : list) out.append({QString::fromLatin1(name), type});
    return out;
}

QList<Column> plainTexts(QList<Column> columns, const QStringList& names) {
    for (Column& c : columns)
        if (names.contains(c.name)) c.plainText = true;
    return columns;
}

QList<Column> without(QList<Column> columns, const QString& name) {
    columns.removeIf([&](const Column& c) { return c.name == name; });
    return columns;
}

QList<Column> replaced(QList<Column> columns, const QString& from, const QString& to) {
    for (Column& c : columns)
        if (c.name == from) c.name = to;
    return columns;
}

// Bumped by every update the program makes, so a Save can tell the row it read from one another
// workstation changed since; appended so the stored columns keep their order.
QList<Column> versioned(QList<Column> columns) {
    columns.append({QStringLiteral("RowVersion"), ColumnType::Integer});
    return columns;
}

// A master list sorted by one of its titles is ordered by that column, then the key: an index on
// both reads the first page straight away (on one column alone PostgreSQL still sorts each run of
// equal values, all 50,000 rows of a column with a few distinct values).
QList<QStringList> sortedBy(const char* key, std::initializer_list<const char*> columns) {
    QList<QStringList> out;
    for (const char* c : columns) out.append(QStringList{QString::fromLatin1(c), QString::fromLatin1(key)});
    return out;
}

QList<Table> build() {
    const auto invoice = cols({{"InvoiceNo_Inv", T::Integer},  {"Paid_Inv", T::Boolean},
                               {"CustomerName_Inv", T::Text},  {"RepairPerson_Inv", T::Text},
                               {"InvoiceDate_Inv", T::Date},   {"PO_Inv", T::Text},
                               {"Amount_Inv", T::Number},      {"JobLocation_Inv", T::Text},
                               {"DueDate_Inv", T::Date},       {"Vin_Inv", T::Text},
                               {"TruckNo_Inv", T::Text},       {"Mileage_Inv", T::Text},
                               {"Make_Inv", T::Text},          {"Model_Inv", T::Text},
                               {"Year_Inv", T::Text},          {"Plate_Inv", T::Text},
                               {"Tax_Inv", T::Boolean},        {"Remark_Inv", T::Text}});
    const auto item = cols({{"Name_Item", T::Text},   {"Mfg_Item", T::Text},    {"Qty_Item", T::Number},
                            {"Style_Item", T::Text},  {"Color_Item", T::Text},  {"Rate_Item", T::Number},
                            {"Amount_Item", T::Number}, {"Inv_Item", T::Integer}});
    const auto labor = cols({{"Description_Labor", T::Text}, {"PartNo_Labor", T::Text},
                             {"Qty_Labor", T::Number},       {"Rate_Labor", T::Number},
                             {"Amount_Labor", T::Number},    {"Remark_Labor", T::Text},
                             {"Inv_Labor", T::Integer}});
    const auto payable = cols({{"BillNo_Payable", T::Text},  {"Name_Payable", T::Text},
                               {"ViaPayment_Payable", T::Text}, {"PayDate_Payable", T::Date},
                               {"Ref_Payable", T::Text},     {"Amount_Payable", T::Number},
                               {"Chart_Payable", T::Text},   {"SubChart_Payable", T::Text},
                               {"Remark_Payable", T::Text}});
    const QStringList byInvoiceNo{"InvoiceNo_Inv"};
    // Paid_Inv with the number: the invoice window lists the open (or paid) invoices by number.
    // VIN and plate: the vehicle history looks documents up by them.
    const QList<QStringList> invoiceIndexes{{"CustomerName_Inv"}, {"RepairPerson_Inv"}, {"InvoiceDate_Inv"},
                                            {"Paid_Inv", "InvoiceNo_Inv"}, {"Vin_Inv"}, {"Plate_Inv"}};
    const QList<QStringList> itemIndexes{{"Inv_Item"}, {"Color_Item"}};
    const QList<QStringList> laborIndexes{{"Inv_Labor"}, {"Description_Labor"}};
    // The payables report reads a period in its printed order. (No covering index of the lines
    // by invoice and amount: SQLite would then read an invoice's lines in the order of their
    // amounts where windows and reports show them in the order they were entered.)
    const QStringList paidInOrder{"PayDate_Payable", "BillNo_Payable"};

    return {
        {"Part",
         versioned(cols({{"ID_Material", T::Integer}, {"Type_Material", T::Text}, {"Number_Material", T::Text},
               {"Description_Material", T::Text}, {"Mfg_Material", T::Text}, {"Style_Material", T::Text},
               {"Style_Type_Material", T::Text}, {"Color_Material", T::Text}, {"Size_Material", T::Text},
               {"Unit_Material", T::Text}, {"Price_Material", T::Number}, {"Remark_Material", T::Text}})),
         // Type, Mfg and Unit: the parts window lists their distinct values when it opens; these
         // and the other titles are what the list sorts by (the part finder by name, Color).
         "ID_Material",
         sortedBy("ID_Material", {"Color_Material", "Number_Material", "Type_Material", "Mfg_Material",
                                  "Unit_Material", "Description_Material", "Style_Material", "Style_Type_Material",
                                  "Size_Material", "Price_Material", "Remark_Material"}),
         false, {}, false,
         // The two long master lists: a title click keeps the record in view by counting the rows before it.
         {"Type_Material", "Number_Material", "Description_Material", "Mfg_Material", "Style_Material",
          "Style_Type_Material", "Color_Material", "Size_Material", "Unit_Material", "Remark_Material"}},
        {"Company",
         versioned(cols({{"ID_Company", T::Integer}, {"Name_Company", T::Text}, {"Type_Company", T::Text},
               {"Tell_Company", T::Text}, {"Address_Company", T::Text}, {"City_Company", T::Text},
               {"State_Company", T::Text}, {"Zip_Company", T::Text}, {"Contact1_Company", T::Text},
               {"Contact2_Company", T::Text}, {"Email_Company", T::Text}, {"Web_Company", T::Text},
               {"Fax_Company", T::Text}})),
         "ID_Company",
         sortedBy("ID_Company", {"Name_Company", "Type_Company", "Tell_Company", "Address_Company", "City_Company",
                                     "State_Company", "Zip_Company", "Email_Company", "Web_Company"})},
        {"Customer",
         versioned(cols({{"ID_Customer", T::Integer}, {"Name_Customer", T::Text}, {"Type_Customer", T::Text},
               {"Tell_Customer", T::Text}, {"Address_Customer", T::Text}, {"City_Customer", T::Text},
               {"State_Customer", T::Text}, {"Zip_Customer", T::Text}, {"Email_Customer", T::Text},
               {"Web_Customer", T::Text}, {"Tel_Customer", T::Text}, {"Tel1_Customer", T::Text}})),
         "ID_Customer",
         sortedBy("ID_Customer", {"Name_Customer", "Type_Customer", "Tell_Customer", "Address_Customer", "City_Customer",
                                      "State_Customer", "Zip_Customer", "Email_Customer", "Web_Customer"}),
         false, {}, false,
         {"Name_Customer", "Type_Customer", "Tell_Customer", "Address_Customer", "City_Customer", "State_Customer",
          "Zip_Customer", "Email_Customer", "Web_Customer"}},
        {"Employee",
         versioned(cols({{"ID_Employee", T::Integer}, {"Name_Employee", T::Text}, {"DOB_Employee", T::Date},
               {"Email_Employee", T::Text}, {"SSN_Employee", T::Text}, {"Position_Employee", T::Text},
               {"Emergency_Employee", T::Text}, {"Cell_Employee", T::Text}, {"Address_Employee", T::Text},
               {"City_Employee", T::Text}, {"State_Employee", T::Text}, {"Zip_Employee", T::Text},
               {"Start_Employee", T::Date}, {"End_Employee", T::Date}})),
         "ID_Employee",
         sortedBy("ID_Employee", {"Name_Employee", "DOB_Employee", "Email_Employee", "SSN_Employee"})},
        {"Labor",
         versioned(cols({{"ID_Labor", T::Integer}, {"Description_Labor", T::Text}, {"PartNo_Labor", T::Text},
               {"Rate_Labor", T::Number}, {"Remark_Labor", T::Text}})),
         "ID_Labor",
         sortedBy("ID_Labor", {"Description_Labor", "PartNo_Labor", "Rate_Labor", "Remark_Labor"})},
        {"Tax",
         versioned(cols({{"Id_T", T::Integer}, {"Year_T", T::Integer}, {"A_T", T::Integer}, {"E_T", T::Integer},
               {"Tax_T", T::Rate}})),
         "Id_T", {{"Year_T"}}},
        {"Reg",
         cols({{"Id_R", T::Integer}, {"Name_R", T::Text}, {"Address_R", T::Text}, {"Catagory_R", T::Text},
               {"City_R", T::Text}, {"State_R", T::Text}, {"Zip_R", T::Text}, {"Apt_R", T::Text},
               {"Tel_R", T::Text}, {"Fax_R", T::Text}, {"Cell_R", T::Text}, {"Web_R", T::Text},
               {"Email_R", T::Text}}),
         "Id_R", {}},
        {"Pass", cols({{"UserName_Pass", T::Text}, {"Password_Pass", T::Text}}), "UserName_Pass", {}},
        {"Invoice", versioned(invoice), "InvoiceNo_Inv", invoiceIndexes},
        {"Estimate", versioned(invoice), "InvoiceNo_Inv", invoiceIndexes},
        // Invoices and estimates are archived side by side, so their numbers may meet here: the
        // kind columns (added last) name the live table a row came from, NULL in older rows.
        {"InvoiceCash", without(invoice, "Tax_Inv") + cols({{"Kind_Inv", T::Text}}), "",
         {byInvoiceNo, {"CustomerName_Inv"}, {"Vin_Inv"}, {"Plate_Inv"}}},
        {"InvItem", item, "", itemIndexes},
        {"EstimateItem", item, "", itemIndexes},
        {"InvItemCash", item + cols({{"Kind_Item", T::Text}}), "", itemIndexes},
        {"Items", replaced(item, "Inv_Item", "Po_Item"), "", {{"Po_Item"}, {"Color_Item"}}},
        {"InvLabor", labor, "", laborIndexes},
        {"EstimateLabor", labor, "", laborIndexes},
        {"InvLaborCash", labor + cols({{"Kind_Labor", T::Text}}), "", laborIndexes},
        {"Orders",
         versioned(cols({{"Po_Order", T::Integer}, {"SideMark_Order", T::Text}, {"OrderBy_Order", T::Text},
               {"OrderDate_Order", T::Date}, {"Vendor_Order", T::Text}, {"ShipFrom_Order", T::Text},
               {"ShipTo_Order", T::Text}, {"ShipDate_Order", T::Date}, {"ForInvoice_Order", T::Text}})),
         "Po_Order", {{"Vendor_Order"}, {"OrderDate_Order"}}},
        // A vendor's reference names one bill: two bills of one vendor under one reference would
        // share their lines and payments.
        {"Bill",
         versioned(cols({{"Ref_Bill", T::Text}, {"Vendor_Bill", T::Text}, {"BillDate_Bill", T::Date},
                         {"DueDate_Bill", T::Date}, {"Amount_Bill", T::Number}, {"Address_Bill", T::Text},
                         {"Chart_Bill", T::Text}, {"SubChart_Bill", T::Text}, {"Remark_Bill", T::Text}})),
         "", {{"Ref_Bill"}, {"Vendor_Bill"}, {"BillDate_Bill"}}, false, {{"Ref_Bill", "Vendor_Bill"}}},
        // Lines belong to a bill by reference and vendor (the vendor appended after the stored columns).
        {"BillItem",
         cols({{"Name_Bill", T::Text}, {"Mfg_Bill", T::Text}, {"Qty_Bill", T::Number}, {"Style_Bill", T::Text},
               {"Color_Bill", T::Text}, {"Rate_Bill", T::Number}, {"Amount_Bill", T::Number},
               {"Inv_Bill", T::Text}, {"Vendor_Bill", T::Text}}),
         "", {{"Inv_Bill", "Vendor_Bill"}, {"Color_Bill"}}},
        {"BillExpense",
         cols({{"Description_Expense", T::Text}, {"PartNo_Expense", T::Text}, {"Qty_Expense", T::Number},
               {"Rate_Expense", T::Number}, {"Amount_Expense", T::Number}, {"Remark_Expense", T::Text},
               {"Bill_Expense", T::Text}, {"Vendor_Expense", T::Text}}),
         "", {{"Bill_Expense", "Vendor_Expense"}}},
        {"Payable", payable, "", {{"BillNo_Payable"}, {"Name_Payable"}, {"PayDate_Payable"}, paidInOrder}},
        {"PayableOrder", payable, "", {{"BillNo_Payable"}, {"Name_Payable"}, {"PayDate_Payable"}, paidInOrder}},
        {"Receivable",
         cols({{"InvoiceNo_Receivable", T::Integer}, {"Name_Receivable", T::Text},
               {"ViaPayment_Receivable", T::Text}, {"PayDate_Receivable", T::Date},
               {"Ref_Receivable", T::Text}, {"DepositTo_Receivable", T::Text}, {"Amount_Receivable", T::Number},
               {"Chart_Receivable", T::Text}, {"SubChart_Receivable", T::Text}, {"Remark_Receivable", T::Text}}),
         // Date and number: the payments report reads a period in its printed order.
         "", {{"InvoiceNo_Receivable"}, {"Name_Receivable"}, {"DepositTo_Receivable"}, {"PayDate_Receivable"},
              {"PayDate_Receivable", "InvoiceNo_Receivable"}}},
        {"Bank",
         versioned(cols({{"ID_Bank", T::Integer}, {"Name_Bank", T::Text}, {"Type_Bank", T::Text},
               {"AccountNo_Bank", T::Text}, {"Date_Bank", T::Date}, {"Company_Bank", T::Text}})),
         "ID_Bank", {{"Name_Bank"}}},
        {"Deposit",
         cols({{"DepositTo_Dep", T::Text}, {"Date_Dep", T::Date}, {"From_Dep", T::Text}, {"Acc_Dep", T::Text},
               {"SubAcc_Dep", T::Text}, {"Chk_Dep", T::Text}, {"Amount_Dep", T::Number},
               {"Remark_Dep", T::Text}}),
         "", {{"DepositTo_Dep"}, {"Chk_Dep"}}},
        {"TotalItem", cols({{"T_Inv_Item", T::Integer}, {"T_Amount_Item", T::Number}}), "", {}, true},
        {"TotalLabor", cols({{"T_Inv_Labor", T::Integer}, {"T_Amount_Labor", T::Number}}), "", {}, true},
        {"TotalTax", cols({{"T_Inv_Tax", T::Integer}, {"T_Amount_Tax", T::Number}}), "", {}, true},
        {"TotalReport",
         cols({{"InvNo", T::Integer}, {"Name", T::Text}, {"Via", T::Text}, {"DateT", T::Date},
               {"Amount", T::Number}}),
         "", {}, true},
        {"OpenInvoice",
         cols({{"InvNo", T::Integer}, {"Name", T::Text}, {"DateT", T::Date}, {"PaidT", T::Number},
               {"Amount", T::Number}}),
         "", {}, true},
        // The sums of the part and labor lines per invoice number, the sum and latest date of its
        // payments, and the invoice's total and whether it has a balance, kept by triggers on InvItem, InvLabor,
        // Receivable, Invoice and Tax (InvoiceSums.cpp), so aging and the period totals need not
        // add up three million lines and 400,000 payments.
        // Keyed by the rows' number, as the windows' sums are: a deleted header's lines still
        // count for a new invoice under its number.
        // The header's customer, date and due date (its date where it has none) are kept beside the
        // figures, so the aging reads this table alone.
        {"InvoiceSums",
         plainTexts(cols({{"InvoiceNo_Sums", T::Integer}, {"Parts_Sums", T::Number}, {"Labor_Sums", T::Number},
               {"Paid_Sums", T::Number}, {"LastPay_Sums", T::Date}, {"Total_Sums", T::Number},
               {"Open_Sums", T::Boolean}, {"CustomerName_Sums", T::Text}, {"InvoiceDate_Sums", T::Date},
               {"DueDate_Sums", T::Date}}),
                    {"CustomerName_Sums"}),
         // The aging reads the open invoices (wholly from the first index) and those paid after the
         // date it is asked for.
         "InvoiceNo_Sums",
         {{"Open_Sums", "CustomerName_Sums", "DueDate_Sums", "InvoiceDate_Sums", "Total_Sums", "Paid_Sums",
           "LastPay_Sums"},
          {"LastPay_Sums"}},
         false, {}, true, {}, dropInvoiceSumsTriggers},
    };
}

}  // namespace

const QList<Table>& tables() {
    static const QList<Table> all = build();
    return all;
}

const Table* findTable(const QString& name) {
    for (const Table& t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

}  // namespace kestrum::schema
