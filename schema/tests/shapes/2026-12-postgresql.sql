CREATE EXTENSION IF NOT EXISTS citext;
CREATE TABLE Part (
  ID_Material INTEGER NOT NULL PRIMARY KEY,
  Type_Material CITEXT,
  Number_Material CITEXT,
  Description_Material CITEXT,
  Mfg_Material CITEXT,
  Style_Material CITEXT,
  Style_Type_Material CITEXT,
  Color_Material CITEXT,
  Size_Material CITEXT,
  Unit_Material CITEXT,
  Price_Material NUMERIC(19,6),
  Remark_Material CITEXT
);
CREATE INDEX IX_Part_Color_Material ON Part (Color_Material NULLS FIRST);
CREATE INDEX IX_Part_Number_Material ON Part (Number_Material NULLS FIRST);
CREATE INDEX IX_Part_Type_Material ON Part (Type_Material NULLS FIRST);
CREATE INDEX IX_Part_Mfg_Material ON Part (Mfg_Material NULLS FIRST);
CREATE INDEX IX_Part_Unit_Material ON Part (Unit_Material NULLS FIRST);
CREATE TABLE Company (
  ID_Company INTEGER NOT NULL PRIMARY KEY,
  Name_Company CITEXT,
  Type_Company CITEXT,
  Tell_Company CITEXT,
  Address_Company CITEXT,
  City_Company CITEXT,
  State_Company CITEXT,
  Zip_Company CITEXT,
  Contact1_Company CITEXT,
  Contact2_Company CITEXT,
  Email_Company CITEXT,
  Web_Company CITEXT,
  Fax_Company CITEXT
);
CREATE INDEX IX_Company_Name_Company ON Company (Name_Company NULLS FIRST);
CREATE TABLE Customer (
  ID_Customer INTEGER NOT NULL PRIMARY KEY,
  Name_Customer CITEXT,
  Type_Customer CITEXT,
  Tell_Customer CITEXT,
  Address_Customer CITEXT,
  City_Customer CITEXT,
  State_Customer CITEXT,
  Zip_Customer CITEXT,
  Email_Customer CITEXT,
  Web_Customer CITEXT,
  Tel_Customer CITEXT,
  Tel1_Customer CITEXT
);
CREATE INDEX IX_Customer_Name_Customer ON Customer (Name_Customer NULLS FIRST);
CREATE TABLE Employee (
  ID_Employee INTEGER NOT NULL PRIMARY KEY,
  Name_Employee CITEXT,
  DOB_Employee TIMESTAMP,
  Email_Employee CITEXT,
  SSN_Employee CITEXT,
  Position_Employee CITEXT,
  Emergency_Employee CITEXT,
  Cell_Employee CITEXT,
  Address_Employee CITEXT,
  City_Employee CITEXT,
  State_Employee CITEXT,
  Zip_Employee CITEXT,
  Start_Employee TIMESTAMP,
  End_Employee TIMESTAMP
);
CREATE INDEX IX_Employee_Name_Employee ON Employee (Name_Employee NULLS FIRST);
CREATE TABLE Labor (
  ID_Labor INTEGER NOT NULL PRIMARY KEY,
  Description_Labor CITEXT,
  PartNo_Labor CITEXT,
  Rate_Labor NUMERIC(19,6),
  Remark_Labor CITEXT
);
CREATE INDEX IX_Labor_Description_Labor ON Labor (Description_Labor NULLS FIRST);
CREATE TABLE Tax (
  Id_T INTEGER NOT NULL PRIMARY KEY,
  Year_T INTEGER,
  A_T INTEGER,
  E_T INTEGER,
  Tax_T NUMERIC(19,8)
);
CREATE INDEX IX_Tax_Year_T ON Tax (Year_T NULLS FIRST);
CREATE TABLE Reg (
  Id_R INTEGER NOT NULL PRIMARY KEY,
  Name_R CITEXT,
  Address_R CITEXT,
  Catagory_R CITEXT,
  City_R CITEXT,
  State_R CITEXT,
  Zip_R CITEXT,
  Apt_R CITEXT,
  Tel_R CITEXT,
  Fax_R CITEXT,
  Cell_R CITEXT,
  Web_R CITEXT,
  Email_R CITEXT
);
CREATE TABLE Pass (
  UserName_Pass CITEXT NOT NULL PRIMARY KEY,
  Password_Pass CITEXT
);
CREATE TABLE Invoice (
  InvoiceNo_Inv INTEGER NOT NULL PRIMARY KEY,
  Paid_Inv BOOLEAN,
  CustomerName_Inv CITEXT,
  RepairPerson_Inv CITEXT,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv CITEXT,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv CITEXT,
  DueDate_Inv TIMESTAMP,
  Vin_Inv CITEXT,
  TruckNo_Inv CITEXT,
  Mileage_Inv CITEXT,
  Make_Inv CITEXT,
  Model_Inv CITEXT,
  Year_Inv CITEXT,
  Plate_Inv CITEXT,
  Tax_Inv BOOLEAN,
  Remark_Inv CITEXT
);
CREATE INDEX IX_Invoice_CustomerName_Inv ON Invoice (CustomerName_Inv NULLS FIRST);
CREATE INDEX IX_Invoice_RepairPerson_Inv ON Invoice (RepairPerson_Inv NULLS FIRST);
CREATE INDEX IX_Invoice_InvoiceDate_Inv ON Invoice (InvoiceDate_Inv NULLS FIRST);
CREATE TABLE Estimate (
  InvoiceNo_Inv INTEGER NOT NULL PRIMARY KEY,
  Paid_Inv BOOLEAN,
  CustomerName_Inv CITEXT,
  RepairPerson_Inv CITEXT,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv CITEXT,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv CITEXT,
  DueDate_Inv TIMESTAMP,
  Vin_Inv CITEXT,
  TruckNo_Inv CITEXT,
  Mileage_Inv CITEXT,
  Make_Inv CITEXT,
  Model_Inv CITEXT,
  Year_Inv CITEXT,
  Plate_Inv CITEXT,
  Tax_Inv BOOLEAN,
  Remark_Inv CITEXT
);
CREATE INDEX IX_Estimate_CustomerName_Inv ON Estimate (CustomerName_Inv NULLS FIRST);
CREATE INDEX IX_Estimate_RepairPerson_Inv ON Estimate (RepairPerson_Inv NULLS FIRST);
CREATE INDEX IX_Estimate_InvoiceDate_Inv ON Estimate (InvoiceDate_Inv NULLS FIRST);
CREATE TABLE InvoiceCash (
  InvoiceNo_Inv INTEGER,
  Paid_Inv BOOLEAN,
  CustomerName_Inv CITEXT,
  RepairPerson_Inv CITEXT,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv CITEXT,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv CITEXT,
  DueDate_Inv TIMESTAMP,
  Vin_Inv CITEXT,
  TruckNo_Inv CITEXT,
  Mileage_Inv CITEXT,
  Make_Inv CITEXT,
  Model_Inv CITEXT,
  Year_Inv CITEXT,
  Plate_Inv CITEXT,
  Remark_Inv CITEXT
);
CREATE INDEX IX_InvoiceCash_InvoiceNo_Inv ON InvoiceCash (InvoiceNo_Inv NULLS FIRST);
CREATE INDEX IX_InvoiceCash_CustomerName_Inv ON InvoiceCash (CustomerName_Inv NULLS FIRST);
CREATE TABLE InvItem (
  Name_Item CITEXT,
  Mfg_Item CITEXT,
  Qty_Item NUMERIC(19,6),
  Style_Item CITEXT,
  Color_Item CITEXT,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER
);
CREATE INDEX IX_InvItem_Inv_Item ON InvItem (Inv_Item NULLS FIRST);
CREATE INDEX IX_InvItem_Color_Item ON InvItem (Color_Item NULLS FIRST);
CREATE TABLE EstimateItem (
  Name_Item CITEXT,
  Mfg_Item CITEXT,
  Qty_Item NUMERIC(19,6),
  Style_Item CITEXT,
  Color_Item CITEXT,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER
);
CREATE INDEX IX_EstimateItem_Inv_Item ON EstimateItem (Inv_Item NULLS FIRST);
CREATE INDEX IX_EstimateItem_Color_Item ON EstimateItem (Color_Item NULLS FIRST);
CREATE TABLE InvItemCash (
  Name_Item CITEXT,
  Mfg_Item CITEXT,
  Qty_Item NUMERIC(19,6),
  Style_Item CITEXT,
  Color_Item CITEXT,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER
);
CREATE INDEX IX_InvItemCash_Inv_Item ON InvItemCash (Inv_Item NULLS FIRST);
CREATE INDEX IX_InvItemCash_Color_Item ON InvItemCash (Color_Item NULLS FIRST);
CREATE TABLE Items (
  Name_Item CITEXT,
  Mfg_Item CITEXT,
  Qty_Item NUMERIC(19,6),
  Style_Item CITEXT,
  Color_Item CITEXT,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Po_Item INTEGER
);
CREATE INDEX IX_Items_Po_Item ON Items (Po_Item NULLS FIRST);
CREATE INDEX IX_Items_Color_Item ON Items (Color_Item NULLS FIRST);
CREATE TABLE InvLabor (
  Description_Labor CITEXT,
  PartNo_Labor CITEXT,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor CITEXT,
  Inv_Labor INTEGER
);
CREATE INDEX IX_InvLabor_Inv_Labor ON InvLabor (Inv_Labor NULLS FIRST);
CREATE INDEX IX_InvLabor_Description_Labor ON InvLabor (Description_Labor NULLS FIRST);
CREATE TABLE EstimateLabor (
  Description_Labor CITEXT,
  PartNo_Labor CITEXT,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor CITEXT,
  Inv_Labor INTEGER
);
CREATE INDEX IX_EstimateLabor_Inv_Labor ON EstimateLabor (Inv_Labor NULLS FIRST);
CREATE INDEX IX_EstimateLabor_Description_Labor ON EstimateLabor (Description_Labor NULLS FIRST);
CREATE TABLE InvLaborCash (
  Description_Labor CITEXT,
  PartNo_Labor CITEXT,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor CITEXT,
  Inv_Labor INTEGER
);
CREATE INDEX IX_InvLaborCash_Inv_Labor ON InvLaborCash (Inv_Labor NULLS FIRST);
CREATE INDEX IX_InvLaborCash_Description_Labor ON InvLaborCash (Description_Labor NULLS FIRST);
CREATE TABLE Orders (
  Po_Order INTEGER NOT NULL PRIMARY KEY,
  SideMark_Order CITEXT,
  OrderBy_Order CITEXT,
  OrderDate_Order TIMESTAMP,
  Vendor_Order CITEXT,
  ShipFrom_Order CITEXT,
  ShipTo_Order CITEXT,
  ShipDate_Order TIMESTAMP,
  ForInvoice_Order CITEXT
);
CREATE INDEX IX_Orders_Vendor_Order ON Orders (Vendor_Order NULLS FIRST);
CREATE INDEX IX_Orders_OrderDate_Order ON Orders (OrderDate_Order NULLS FIRST);
CREATE TABLE Bill (
  Ref_Bill CITEXT,
  Vendor_Bill CITEXT,
  BillDate_Bill TIMESTAMP,
  DueDate_Bill TIMESTAMP,
  Amount_Bill NUMERIC(19,6),
  Address_Bill CITEXT,
  Chart_Bill CITEXT,
  SubChart_Bill CITEXT,
  Remark_Bill CITEXT
);
CREATE INDEX IX_Bill_Ref_Bill ON Bill (Ref_Bill NULLS FIRST);
CREATE INDEX IX_Bill_Vendor_Bill ON Bill (Vendor_Bill NULLS FIRST);
CREATE INDEX IX_Bill_BillDate_Bill ON Bill (BillDate_Bill NULLS FIRST);
CREATE TABLE BillItem (
  Name_Bill CITEXT,
  Mfg_Bill CITEXT,
  Qty_Bill NUMERIC(19,6),
  Style_Bill CITEXT,
  Color_Bill CITEXT,
  Rate_Bill NUMERIC(19,6),
  Amount_Bill NUMERIC(19,6),
  Inv_Bill CITEXT
);
CREATE INDEX IX_BillItem_Inv_Bill ON BillItem (Inv_Bill NULLS FIRST);
CREATE INDEX IX_BillItem_Color_Bill ON BillItem (Color_Bill NULLS FIRST);
CREATE TABLE BillExpense (
  Description_Expense CITEXT,
  PartNo_Expense CITEXT,
  Qty_Expense NUMERIC(19,6),
  Rate_Expense NUMERIC(19,6),
  Amount_Expense NUMERIC(19,6),
  Remark_Expense CITEXT,
  Bill_Expense CITEXT
);
CREATE INDEX IX_BillExpense_Bill_Expense ON BillExpense (Bill_Expense NULLS FIRST);
CREATE TABLE Payable (
  BillNo_Payable CITEXT,
  Name_Payable CITEXT,
  ViaPayment_Payable CITEXT,
  PayDate_Payable TIMESTAMP,
  Ref_Payable CITEXT,
  Amount_Payable NUMERIC(19,6),
  Chart_Payable CITEXT,
  SubChart_Payable CITEXT,
  Remark_Payable CITEXT
);
CREATE INDEX IX_Payable_BillNo_Payable ON Payable (BillNo_Payable NULLS FIRST);
CREATE INDEX IX_Payable_Name_Payable ON Payable (Name_Payable NULLS FIRST);
CREATE INDEX IX_Payable_PayDate_Payable ON Payable (PayDate_Payable NULLS FIRST);
CREATE TABLE PayableOrder (
  BillNo_Payable CITEXT,
  Name_Payable CITEXT,
  ViaPayment_Payable CITEXT,
  PayDate_Payable TIMESTAMP,
  Ref_Payable CITEXT,
  Amount_Payable NUMERIC(19,6),
  Chart_Payable CITEXT,
  SubChart_Payable CITEXT,
  Remark_Payable CITEXT
);
CREATE INDEX IX_PayableOrder_BillNo_Payable ON PayableOrder (BillNo_Payable NULLS FIRST);
CREATE INDEX IX_PayableOrder_Name_Payable ON PayableOrder (Name_Payable NULLS FIRST);
CREATE INDEX IX_PayableOrder_PayDate_Payable ON PayableOrder (PayDate_Payable NULLS FIRST);
CREATE TABLE Receivable (
  InvoiceNo_Receivable INTEGER,
  Name_Receivable CITEXT,
  ViaPayment_Receivable CITEXT,
  PayDate_Receivable TIMESTAMP,
  Ref_Receivable CITEXT,
  DepositTo_Receivable CITEXT,
  Amount_Receivable NUMERIC(19,6),
  Chart_Receivable CITEXT,
  SubChart_Receivable CITEXT,
  Remark_Receivable CITEXT
);
CREATE INDEX IX_Receivable_InvoiceNo_Receivable ON Receivable (InvoiceNo_Receivable NULLS FIRST);
CREATE INDEX IX_Receivable_Name_Receivable ON Receivable (Name_Receivable NULLS FIRST);
CREATE INDEX IX_Receivable_DepositTo_Receivable ON Receivable (DepositTo_Receivable NULLS FIRST);
CREATE INDEX IX_Receivable_PayDate_Receivable ON Receivable (PayDate_Receivable NULLS FIRST);
CREATE TABLE Bank (
  ID_Bank INTEGER NOT NULL PRIMARY KEY,
  Name_Bank CITEXT,
  Type_Bank CITEXT,
  AccountNo_Bank CITEXT,
  Date_Bank TIMESTAMP,
  Company_Bank CITEXT
);
CREATE INDEX IX_Bank_Name_Bank ON Bank (Name_Bank NULLS FIRST);
CREATE TABLE Deposit (
  DepositTo_Dep CITEXT,
  Date_Dep TIMESTAMP,
  From_Dep CITEXT,
  Acc_Dep CITEXT,
  SubAcc_Dep CITEXT,
  Chk_Dep CITEXT,
  Amount_Dep NUMERIC(19,6),
  Remark_Dep CITEXT
);
CREATE INDEX IX_Deposit_DepositTo_Dep ON Deposit (DepositTo_Dep NULLS FIRST);
CREATE INDEX IX_Deposit_Chk_Dep ON Deposit (Chk_Dep NULLS FIRST);
CREATE TABLE TotalItem (
  T_Inv_Item INTEGER,
  T_Amount_Item NUMERIC(19,6)
);
CREATE TABLE TotalLabor (
  T_Inv_Labor INTEGER,
  T_Amount_Labor NUMERIC(19,6)
);
CREATE TABLE TotalTax (
  T_Inv_Tax INTEGER,
  T_Amount_Tax NUMERIC(19,6)
);
CREATE TABLE TotalReport (
  InvNo INTEGER,
  Name CITEXT,
  Via CITEXT,
  DateT TIMESTAMP,
  Amount NUMERIC(19,6)
);
CREATE TABLE OpenInvoice (
  InvNo INTEGER,
  Name CITEXT,
  DateT TIMESTAMP,
  PaidT NUMERIC(19,6),
  Amount NUMERIC(19,6)
);
