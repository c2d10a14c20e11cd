#include "LineSpecs.h"

#include "DataModule.h"
#include "Field.h"
#include "Format.h"

namespace kestrum::purchasing {

using lines::LineField;
using lines::LineValue;

namespace {
/// The part fills of a chosen part name: maker, style, part number and price.
std::vector<lines::CatalogueFill> partFills() {
    return {{"Edit1", "Mfg_Material"},
            {"Edit3", "Style_Material"},
            {"Edit4", "Color_Material"},
            {"Edit5", "Price_Material"}};
}
} // namespace

lines::LineSpec orderItemSpec() {
    lines::LineSpec s;
    s.table = "Items";
    s.documentColumn = "Po_Item";
    s.numericDocument = true;
    // One line per part number: the number by which stock is counted.
    s.identityColumn = "Color_Item";
    s.fields = {{"ComboBox1", "Name_Item"},
                {"Edit1", "Mfg_Item"},
                {"Edit2", "Qty_Item", LineValue::Number, "0"},
                {"Edit3", "Style_Item"},
                {"Edit4", "Color_Item"},
                {"Edit5", "Rate_Item", LineValue::Number, "0.00"},
                {"Edit6", "Amount_Item", LineValue::Number, "0.00"}};
    s.header = {{"Label15", "ComboBox1"}, {"Label17", "Edit2"}, {"Label19", "ComboBox3"}};
    s.documentWord = "order";
    s.listQuery = &TDM::QItem1;
    s.probeQuery = &TDM::QItem2;
    // Not QItem3: that one shows the order window's lines, which stay in view meanwhile.
    s.lookupQuery = &TDM::QItem2;
    s.sumQuery = &TDM::QItem4;
    s.catalogue = {"Part", "Number_Material", partFills(), true};
    s.catalogue.keyColumn = "ID_Material";
    s.titles = {{"Name", 160},  {"Mfg", 100},  {"Qty", 50},     {"Style", 100},
                {"Color", 100}, {"Rate", 100}, {"Amount", 100}, {"Po", 70}};
    s.reloadTitles = {{"Name Item", 160}, {"Mfg", 100},  {"Qty", 50},     {"Style", 100},
                      {"Part No", 100},   {"Rate", 100}, {"Amount", 100}, {"Po", 70}};
    s.cycle = {"ComboBox1", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"};
    s.finderClass = "TLaborFind";
    return s;
}

lines::LineSpec billPartSpec() {
    lines::LineSpec s;
    s.table = "BillItem";
    s.documentColumn = "Inv_Bill";
    s.numericDocument = false;
    s.identityColumn = "Name_Bill";
    s.ownerColumn = "Vendor_Bill";
    s.fields = {{"ComboBox1", "Name_Bill"},
                {"Edit1", "Mfg_Bill"},
                {"Edit2", "Qty_Bill", LineValue::Number, "0"},
                {"Edit3", "Style_Bill"},
                {"Edit4", "Color_Bill"},
                {"Edit5", "Rate_Bill", LineValue::Number, "0.00"},
                {"Edit6", "Amount_Bill", LineValue::Number, "0.00"}};
    s.header = {{"Label15", "ComboBox1"}, {"Label17", "Edit2"}};
    s.documentWord = "bill";
    s.amountColumn = "Amount_Bill";
    s.totalLabel = "Label7";
    s.listQuery = &TDM::QBillPart1;
    s.probeQuery = &TDM::QBillPart2;
    s.lookupQuery = &TDM::Q2;
    s.sumQuery = &TDM::QBillPart2;
    s.catalogue = {"Part", "Number_Material", partFills(), true};
    s.catalogue.keyColumn = "ID_Material";
    s.titles = {{"Name", 160},  {"Mfg", 100},  {"Qty", 50},    {"Style", 100},
                {"Color", 100}, {"Rate", 100}, {"Amount", 100}};
    s.reloadTitles = {{"Name Item", 160}, {"Mfg", 100},  {"Qty", 50},     {"Style", 100},
                      {"Part No", 100},   {"Rate", 100}, {"Amount", 100}, {"Invoice", 70}};
    // Part No reacts to no key; Left from Rate goes back to it.
    s.cycle = {"ComboBox1", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"};
    s.unkeyed = {"Edit4"};
    s.gridFillsFields = false;
    s.cancelRefreshes = false;
    return s;
}

lines::LineSpec billExpenseSpec() {
    lines::LineSpec s;
    s.table = "BillExpense";
    s.documentColumn = "Bill_Expense";
    s.numericDocument = false;
    s.identityColumn = "Description_Expense";
    s.ownerColumn = "Vendor_Expense";
    s.fields = {{"ComboBox1", "Description_Expense"},
                {"Edit1", "PartNo_Expense"},
                {"Edit2", "Qty_Expense", LineValue::Number, "0"},
                {"Edit5", "Rate_Expense", LineValue::Number, "0"},
                {"Edit6", "Amount_Expense", LineValue::Number, "0.00"},
                {"Edit4", "Remark_Expense"}};
    s.header = {{"Label15", "ComboBox1"}, {"Label17", "Edit2"}};
    s.documentWord = "bill";
    s.listQuery = &TDM::QBillExpense1;
    s.probeQuery = &TDM::QBillExpense2;
    s.lookupQuery = &TDM::QBillExpense2;
    s.sumQuery = &TDM::QBillExpense4;
    // Descriptions are free text: the list offers every one used on any bill (as often as used),
    // and choosing or typing one looks nothing up.
    s.catalogue = {"BillExpense", "Description_Expense", {}, true, false};
    s.titles = {{"Description", 160}, {"Part Number", 100}, {"Qty", 50},     {"Rate", 100},
                {"Amount", 100},      {"Remark", 100},      {"Invoice", 100}};
    s.reloadTitles = {{"Description", 160}, {"Part Number", 100}, {"Qty", 50},  {"Rate", 100},
                      {"Amount", 100},      {"Remark", 100},      {"Bill", 100}};
    s.cancelRefreshes = false;
    return s;
}

lines::PickerSpec orderPartPickerSpec() {
    lines::PickerSpec s;
    s.query = &TDM::Q1;
    s.select = "Select Color_Material,Description_Material,Type_Material,Number_Material,Mfg_Material,"
               "Price_Material,Unit_Material,Style_Material,ID_Material From Part";
    s.sortColumn = "Color_Material";
    s.searchColumn = "Description_Material";
    s.columns = {{"Part Name", 100}, {"Description", 150}, {"Type Part", 90}, {"#", 100},
                 {"Mfg", 80},        {"Price $", 80},      {"Unit", 80},      {"Style", 80}};
    s.copies = {
        {"Number_Material", "ComboBox1"},
        {"Mfg_Material", "Edit1"},
        {"Style_Material", "Edit3"},
        {"Color_Material", "Edit4"},
        // The price as it stands: orders are bought at cost, without the invoices' mark-up.
        {"Price_Material", "Edit5", [](const Field& f) { return formatMoneyOrZero(f.AsCurrency()); }}};
    return s;
}

} // namespace kestrum::purchasing
