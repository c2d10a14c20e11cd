CREATE TABLE Part (
  ID_Material INTEGER NOT NULL PRIMARY KEY,
  Type_Material TEXT COLLATE NOCASE,
  Number_Material TEXT COLLATE NOCASE,
  Description_Material TEXT COLLATE NOCASE,
  Mfg_Material TEXT COLLATE NOCASE,
  Style_Material TEXT COLLATE NOCASE,
  Style_Type_Material TEXT COLLATE NOCASE,
  Color_Material TEXT COLLATE NOCASE,
  Size_Material TEXT COLLATE NOCASE,
  Unit_Material TEXT COLLATE NOCASE,
  Price_Material NUMERIC(19,6),
  Remark_Material TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Part_Color_Material ON Part (Color_Material);
CREATE INDEX IX_Part_Number_Material ON Part (Number_Material);
CREATE INDEX IX_Part_Type_Material ON Part (Type_Material);
CREATE INDEX IX_Part_Mfg_Material ON Part (Mfg_Material);
CREATE INDEX IX_Part_Unit_Material ON Part (Unit_Material);
CREATE TABLE Company (
  ID_Company INTEGER NOT NULL PRIMARY KEY,
  Name_Company TEXT COLLATE NOCASE,
  Type_Company TEXT COLLATE NOCASE,
  Tell_Company TEXT COLLATE NOCASE,
  Address_Company TEXT COLLATE NOCASE,
  City_Company TEXT COLLATE NOCASE,
  State_Company TEXT COLLATE NOCASE,
  Zip_Company TEXT COLLATE NOCASE,
  Contact1_Company TEXT COLLATE NOCASE,
  Contact2_Company TEXT COLLATE NOCASE,
  Email_Company TEXT COLLATE NOCASE,
  Web_Company TEXT COLLATE NOCASE,
  Fax_Company TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Company_Name_Company ON Company (Name_Company);
CREATE TABLE Customer (
  ID_Customer INTEGER NOT NULL PRIMARY KEY,
  Name_Customer TEXT COLLATE NOCASE,
  Type_Customer TEXT COLLATE NOCASE,
  Tell_Customer TEXT COLLATE NOCASE,
  Address_Customer TEXT COLLATE NOCASE,
  City_Customer TEXT COLLATE NOCASE,
  State_Customer TEXT COLLATE NOCASE,
  Zip_Customer TEXT COLLATE NOCASE,
  Email_Customer TEXT COLLATE NOCASE,
  Web_Customer TEXT COLLATE NOCASE,
  Tel_Customer TEXT COLLATE NOCASE,
  Tel1_Customer TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Customer_Name_Customer ON Customer (Name_Customer);
CREATE TABLE Employee (
  ID_Employee INTEGER NOT NULL PRIMARY KEY,
  Name_Employee TEXT COLLATE NOCASE,
  DOB_Employee TIMESTAMP,
  Email_Employee TEXT COLLATE NOCASE,
  SSN_Employee TEXT COLLATE NOCASE,
  Position_Employee TEXT COLLATE NOCASE,
  Emergency_Employee TEXT COLLATE NOCASE,
  Cell_Employee TEXT COLLATE NOCASE,
  Address_Employee TEXT COLLATE NOCASE,
  City_Employee TEXT COLLATE NOCASE,
  State_Employee TEXT COLLATE NOCASE,
  Zip_Employee TEXT COLLATE NOCASE,
  Start_Employee TIMESTAMP,
  End_Employee TIMESTAMP,
  RowVersion INTEGER
);
CREATE INDEX IX_Employee_Name_Employee ON Employee (Name_Employee);
CREATE TABLE Labor (
  ID_Labor INTEGER NOT NULL PRIMARY KEY,
  Description_Labor TEXT COLLATE NOCASE,
  PartNo_Labor TEXT COLLATE NOCASE,
  Rate_Labor NUMERIC(19,6),
  Remark_Labor TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Labor_Description_Labor ON Labor (Description_Labor);
CREATE TABLE Tax (
  Id_T INTEGER NOT NULL PRIMARY KEY,
  Year_T INTEGER,
  A_T INTEGER,
  E_T INTEGER,
  Tax_T NUMERIC(19,8),
  RowVersion INTEGER
);
CREATE INDEX IX_Tax_Year_T ON Tax (Year_T);
CREATE TABLE Reg (
  Id_R INTEGER NOT NULL PRIMARY KEY,
  Name_R TEXT COLLATE NOCASE,
  Address_R TEXT COLLATE NOCASE,
  Catagory_R TEXT COLLATE NOCASE,
  City_R TEXT COLLATE NOCASE,
  State_R TEXT COLLATE NOCASE,
  Zip_R TEXT COLLATE NOCASE,
  Apt_R TEXT COLLATE NOCASE,
  Tel_R TEXT COLLATE NOCASE,
  Fax_R TEXT COLLATE NOCASE,
  Cell_R TEXT COLLATE NOCASE,
  Web_R TEXT COLLATE NOCASE,
  Email_R TEXT COLLATE NOCASE
);
CREATE TABLE Pass (
  UserName_Pass TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
  Password_Pass TEXT COLLATE NOCASE
);
CREATE TABLE Invoice (
  InvoiceNo_Inv INTEGER NOT NULL PRIMARY KEY,
  Paid_Inv BOOLEAN,
  CustomerName_Inv TEXT COLLATE NOCASE,
  RepairPerson_Inv TEXT COLLATE NOCASE,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv TEXT COLLATE NOCASE,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv TEXT COLLATE NOCASE,
  DueDate_Inv TIMESTAMP,
  Vin_Inv TEXT COLLATE NOCASE,
  TruckNo_Inv TEXT COLLATE NOCASE,
  Mileage_Inv TEXT COLLATE NOCASE,
  Make_Inv TEXT COLLATE NOCASE,
  Model_Inv TEXT COLLATE NOCASE,
  Year_Inv TEXT COLLATE NOCASE,
  Plate_Inv TEXT COLLATE NOCASE,
  Tax_Inv BOOLEAN,
  Remark_Inv TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Invoice_CustomerName_Inv ON Invoice (CustomerName_Inv);
CREATE INDEX IX_Invoice_RepairPerson_Inv ON Invoice (RepairPerson_Inv);
CREATE INDEX IX_Invoice_InvoiceDate_Inv ON Invoice (InvoiceDate_Inv);
CREATE INDEX IX_Invoice_Paid_Inv_InvoiceNo_Inv ON Invoice (Paid_Inv, InvoiceNo_Inv);
CREATE INDEX IX_Invoice_Vin_Inv ON Invoice (Vin_Inv);
CREATE INDEX IX_Invoice_Plate_Inv ON Invoice (Plate_Inv);
CREATE TABLE Estimate (
  InvoiceNo_Inv INTEGER NOT NULL PRIMARY KEY,
  Paid_Inv BOOLEAN,
  CustomerName_Inv TEXT COLLATE NOCASE,
  RepairPerson_Inv TEXT COLLATE NOCASE,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv TEXT COLLATE NOCASE,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv TEXT COLLATE NOCASE,
  DueDate_Inv TIMESTAMP,
  Vin_Inv TEXT COLLATE NOCASE,
  TruckNo_Inv TEXT COLLATE NOCASE,
  Mileage_Inv TEXT COLLATE NOCASE,
  Make_Inv TEXT COLLATE NOCASE,
  Model_Inv TEXT COLLATE NOCASE,
  Year_Inv TEXT COLLATE NOCASE,
  Plate_Inv TEXT COLLATE NOCASE,
  Tax_Inv BOOLEAN,
  Remark_Inv TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Estimate_CustomerName_Inv ON Estimate (CustomerName_Inv);
CREATE INDEX IX_Estimate_RepairPerson_Inv ON Estimate (RepairPerson_Inv);
CREATE INDEX IX_Estimate_InvoiceDate_Inv ON Estimate (InvoiceDate_Inv);
CREATE INDEX IX_Estimate_Paid_Inv_InvoiceNo_Inv ON Estimate (Paid_Inv, InvoiceNo_Inv);
CREATE INDEX IX_Estimate_Vin_Inv ON Estimate (Vin_Inv);
CREATE INDEX IX_Estimate_Plate_Inv ON Estimate (Plate_Inv);
CREATE TABLE InvoiceCash (
  InvoiceNo_Inv INTEGER,
  Paid_Inv BOOLEAN,
  CustomerName_Inv TEXT COLLATE NOCASE,
  RepairPerson_Inv TEXT COLLATE NOCASE,
  InvoiceDate_Inv TIMESTAMP,
  PO_Inv TEXT COLLATE NOCASE,
  Amount_Inv NUMERIC(19,6),
  JobLocation_Inv TEXT COLLATE NOCASE,
  DueDate_Inv TIMESTAMP,
  Vin_Inv TEXT COLLATE NOCASE,
  TruckNo_Inv TEXT COLLATE NOCASE,
  Mileage_Inv TEXT COLLATE NOCASE,
  Make_Inv TEXT COLLATE NOCASE,
  Model_Inv TEXT COLLATE NOCASE,
  Year_Inv TEXT COLLATE NOCASE,
  Plate_Inv TEXT COLLATE NOCASE,
  Remark_Inv TEXT COLLATE NOCASE,
  Kind_Inv TEXT COLLATE NOCASE
);
CREATE INDEX IX_InvoiceCash_InvoiceNo_Inv ON InvoiceCash (InvoiceNo_Inv);
CREATE INDEX IX_InvoiceCash_CustomerName_Inv ON InvoiceCash (CustomerName_Inv);
CREATE INDEX IX_InvoiceCash_Vin_Inv ON InvoiceCash (Vin_Inv);
CREATE INDEX IX_InvoiceCash_Plate_Inv ON InvoiceCash (Plate_Inv);
CREATE TABLE InvItem (
  Name_Item TEXT COLLATE NOCASE,
  Mfg_Item TEXT COLLATE NOCASE,
  Qty_Item NUMERIC(19,6),
  Style_Item TEXT COLLATE NOCASE,
  Color_Item TEXT COLLATE NOCASE,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER
);
CREATE INDEX IX_InvItem_Inv_Item ON InvItem (Inv_Item);
CREATE INDEX IX_InvItem_Color_Item ON InvItem (Color_Item);
CREATE TABLE EstimateItem (
  Name_Item TEXT COLLATE NOCASE,
  Mfg_Item TEXT COLLATE NOCASE,
  Qty_Item NUMERIC(19,6),
  Style_Item TEXT COLLATE NOCASE,
  Color_Item TEXT COLLATE NOCASE,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER
);
CREATE INDEX IX_EstimateItem_Inv_Item ON EstimateItem (Inv_Item);
CREATE INDEX IX_EstimateItem_Color_Item ON EstimateItem (Color_Item);
CREATE TABLE InvItemCash (
  Name_Item TEXT COLLATE NOCASE,
  Mfg_Item TEXT COLLATE NOCASE,
  Qty_Item NUMERIC(19,6),
  Style_Item TEXT COLLATE NOCASE,
  Color_Item TEXT COLLATE NOCASE,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Inv_Item INTEGER,
  Kind_Item TEXT COLLATE NOCASE
);
CREATE INDEX IX_InvItemCash_Inv_Item ON InvItemCash (Inv_Item);
CREATE INDEX IX_InvItemCash_Color_Item ON InvItemCash (Color_Item);
CREATE TABLE Items (
  Name_Item TEXT COLLATE NOCASE,
  Mfg_Item TEXT COLLATE NOCASE,
  Qty_Item NUMERIC(19,6),
  Style_Item TEXT COLLATE NOCASE,
  Color_Item TEXT COLLATE NOCASE,
  Rate_Item NUMERIC(19,6),
  Amount_Item NUMERIC(19,6),
  Po_Item INTEGER
);
CREATE INDEX IX_Items_Po_Item ON Items (Po_Item);
CREATE INDEX IX_Items_Color_Item ON Items (Color_Item);
CREATE TABLE InvLabor (
  Description_Labor TEXT COLLATE NOCASE,
  PartNo_Labor TEXT COLLATE NOCASE,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor TEXT COLLATE NOCASE,
  Inv_Labor INTEGER
);
CREATE INDEX IX_InvLabor_Inv_Labor ON InvLabor (Inv_Labor);
CREATE INDEX IX_InvLabor_Description_Labor ON InvLabor (Description_Labor);
CREATE TABLE EstimateLabor (
  Description_Labor TEXT COLLATE NOCASE,
  PartNo_Labor TEXT COLLATE NOCASE,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor TEXT COLLATE NOCASE,
  Inv_Labor INTEGER
);
CREATE INDEX IX_EstimateLabor_Inv_Labor ON EstimateLabor (Inv_Labor);
CREATE INDEX IX_EstimateLabor_Description_Labor ON EstimateLabor (Description_Labor);
CREATE TABLE InvLaborCash (
  Description_Labor TEXT COLLATE NOCASE,
  PartNo_Labor TEXT COLLATE NOCASE,
  Qty_Labor NUMERIC(19,6),
  Rate_Labor NUMERIC(19,6),
  Amount_Labor NUMERIC(19,6),
  Remark_Labor TEXT COLLATE NOCASE,
  Inv_Labor INTEGER,
  Kind_Labor TEXT COLLATE NOCASE
);
CREATE INDEX IX_InvLaborCash_Inv_Labor ON InvLaborCash (Inv_Labor);
CREATE INDEX IX_InvLaborCash_Description_Labor ON InvLaborCash (Description_Labor);
CREATE TABLE Orders (
  Po_Order INTEGER NOT NULL PRIMARY KEY,
  SideMark_Order TEXT COLLATE NOCASE,
  OrderBy_Order TEXT COLLATE NOCASE,
  OrderDate_Order TIMESTAMP,
  Vendor_Order TEXT COLLATE NOCASE,
  ShipFrom_Order TEXT COLLATE NOCASE,
  ShipTo_Order TEXT COLLATE NOCASE,
  ShipDate_Order TIMESTAMP,
  ForInvoice_Order TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Orders_Vendor_Order ON Orders (Vendor_Order);
CREATE INDEX IX_Orders_OrderDate_Order ON Orders (OrderDate_Order);
CREATE TABLE Bill (
  Ref_Bill TEXT COLLATE NOCASE,
  Vendor_Bill TEXT COLLATE NOCASE,
  BillDate_Bill TIMESTAMP,
  DueDate_Bill TIMESTAMP,
  Amount_Bill NUMERIC(19,6),
  Address_Bill TEXT COLLATE NOCASE,
  Chart_Bill TEXT COLLATE NOCASE,
  SubChart_Bill TEXT COLLATE NOCASE,
  Remark_Bill TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Bill_Ref_Bill ON Bill (Ref_Bill);
CREATE INDEX IX_Bill_Vendor_Bill ON Bill (Vendor_Bill);
CREATE INDEX IX_Bill_BillDate_Bill ON Bill (BillDate_Bill);
CREATE UNIQUE INDEX UX_Bill_Ref_Bill_Vendor_Bill ON Bill (Ref_Bill, Vendor_Bill);
CREATE TABLE BillItem (
  Name_Bill TEXT COLLATE NOCASE,
  Mfg_Bill TEXT COLLATE NOCASE,
  Qty_Bill NUMERIC(19,6),
  Style_Bill TEXT COLLATE NOCASE,
  Color_Bill TEXT COLLATE NOCASE,
  Rate_Bill NUMERIC(19,6),
  Amount_Bill NUMERIC(19,6),
  Inv_Bill TEXT COLLATE NOCASE,
  Vendor_Bill TEXT COLLATE NOCASE
);
CREATE INDEX IX_BillItem_Inv_Bill_Vendor_Bill ON BillItem (Inv_Bill, Vendor_Bill);
CREATE INDEX IX_BillItem_Color_Bill ON BillItem (Color_Bill);
CREATE TABLE BillExpense (
  Description_Expense TEXT COLLATE NOCASE,
  PartNo_Expense TEXT COLLATE NOCASE,
  Qty_Expense NUMERIC(19,6),
  Rate_Expense NUMERIC(19,6),
  Amount_Expense NUMERIC(19,6),
  Remark_Expense TEXT COLLATE NOCASE,
  Bill_Expense TEXT COLLATE NOCASE,
  Vendor_Expense TEXT COLLATE NOCASE
);
CREATE INDEX IX_BillExpense_Bill_Expense_Vendor_Expense ON BillExpense (Bill_Expense, Vendor_Expense);
CREATE TABLE Payable (
  BillNo_Payable TEXT COLLATE NOCASE,
  Name_Payable TEXT COLLATE NOCASE,
  ViaPayment_Payable TEXT COLLATE NOCASE,
  PayDate_Payable TIMESTAMP,
  Ref_Payable TEXT COLLATE NOCASE,
  Amount_Payable NUMERIC(19,6),
  Chart_Payable TEXT COLLATE NOCASE,
  SubChart_Payable TEXT COLLATE NOCASE,
  Remark_Payable TEXT COLLATE NOCASE
);
CREATE INDEX IX_Payable_BillNo_Payable ON Payable (BillNo_Payable);
CREATE INDEX IX_Payable_Name_Payable ON Payable (Name_Payable);
CREATE INDEX IX_Payable_PayDate_Payable ON Payable (PayDate_Payable);
CREATE TABLE PayableOrder (
  BillNo_Payable TEXT COLLATE NOCASE,
  Name_Payable TEXT COLLATE NOCASE,
  ViaPayment_Payable TEXT COLLATE NOCASE,
  PayDate_Payable TIMESTAMP,
  Ref_Payable TEXT COLLATE NOCASE,
  Amount_Payable NUMERIC(19,6),
  Chart_Payable TEXT COLLATE NOCASE,
  SubChart_Payable TEXT COLLATE NOCASE,
  Remark_Payable TEXT COLLATE NOCASE
);
CREATE INDEX IX_PayableOrder_BillNo_Payable ON PayableOrder (BillNo_Payable);
CREATE INDEX IX_PayableOrder_Name_Payable ON PayableOrder (Name_Payable);
CREATE INDEX IX_PayableOrder_PayDate_Payable ON PayableOrder (PayDate_Payable);
CREATE TABLE Receivable (
  InvoiceNo_Receivable INTEGER,
  Name_Receivable TEXT COLLATE NOCASE,
  ViaPayment_Receivable TEXT COLLATE NOCASE,
  PayDate_Receivable TIMESTAMP,
  Ref_Receivable TEXT COLLATE NOCASE,
  DepositTo_Receivable TEXT COLLATE NOCASE,
  Amount_Receivable NUMERIC(19,6),
  Chart_Receivable TEXT COLLATE NOCASE,
  SubChart_Receivable TEXT COLLATE NOCASE,
  Remark_Receivable TEXT COLLATE NOCASE
);
CREATE INDEX IX_Receivable_InvoiceNo_Receivable ON Receivable (InvoiceNo_Receivable);
CREATE INDEX IX_Receivable_Name_Receivable ON Receivable (Name_Receivable);
CREATE INDEX IX_Receivable_DepositTo_Receivable ON Receivable (DepositTo_Receivable);
CREATE INDEX IX_Receivable_PayDate_Receivable ON Receivable (PayDate_Receivable);
CREATE TABLE Bank (
  ID_Bank INTEGER NOT NULL PRIMARY KEY,
  Name_Bank TEXT COLLATE NOCASE,
  Type_Bank TEXT COLLATE NOCASE,
  AccountNo_Bank TEXT COLLATE NOCASE,
  Date_Bank TIMESTAMP,
  Company_Bank TEXT COLLATE NOCASE,
  RowVersion INTEGER
);
CREATE INDEX IX_Bank_Name_Bank ON Bank (Name_Bank);
CREATE TABLE Deposit (
  DepositTo_Dep TEXT COLLATE NOCASE,
  Date_Dep TIMESTAMP,
  From_Dep TEXT COLLATE NOCASE,
  Acc_Dep TEXT COLLATE NOCASE,
  SubAcc_Dep TEXT COLLATE NOCASE,
  Chk_Dep TEXT COLLATE NOCASE,
  Amount_Dep NUMERIC(19,6),
  Remark_Dep TEXT COLLATE NOCASE
);
CREATE INDEX IX_Deposit_DepositTo_Dep ON Deposit (DepositTo_Dep);
CREATE INDEX IX_Deposit_Chk_Dep ON Deposit (Chk_Dep);
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
  Name TEXT COLLATE NOCASE,
  Via TEXT COLLATE NOCASE,
  DateT TIMESTAMP,
  Amount NUMERIC(19,6)
);
CREATE TABLE OpenInvoice (
  InvNo INTEGER,
  Name TEXT COLLATE NOCASE,
  DateT TIMESTAMP,
  PaidT NUMERIC(19,6),
  Amount NUMERIC(19,6)
);
CREATE INDEX IX_Part_Color_Material_ID_Material ON Part (Color_Material, ID_Material);
CREATE INDEX IX_Part_Number_Material_ID_Material ON Part (Number_Material, ID_Material);
CREATE INDEX IX_Part_Type_Material_ID_Material ON Part (Type_Material, ID_Material);
CREATE INDEX IX_Part_Mfg_Material_ID_Material ON Part (Mfg_Material, ID_Material);
CREATE INDEX IX_Part_Unit_Material_ID_Material ON Part (Unit_Material, ID_Material);
CREATE INDEX IX_Part_Description_Material_ID_Material ON Part (Description_Material, ID_Material);
CREATE INDEX IX_Part_Style_Material_ID_Material ON Part (Style_Material, ID_Material);
CREATE INDEX IX_Part_Style_Type_Material_ID_Material ON Part (Style_Type_Material, ID_Material);
CREATE INDEX IX_Part_Size_Material_ID_Material ON Part (Size_Material, ID_Material);
CREATE INDEX IX_Part_Price_Material_ID_Material ON Part (Price_Material, ID_Material);
CREATE INDEX IX_Part_Remark_Material_ID_Material ON Part (Remark_Material, ID_Material);
CREATE INDEX IX_Company_Name_Company_ID_Company ON Company (Name_Company, ID_Company);
CREATE INDEX IX_Company_Type_Company_ID_Company ON Company (Type_Company, ID_Company);
CREATE INDEX IX_Company_Tell_Company_ID_Company ON Company (Tell_Company, ID_Company);
CREATE INDEX IX_Company_Address_Company_ID_Company ON Company (Address_Company, ID_Company);
CREATE INDEX IX_Company_City_Company_ID_Company ON Company (City_Company, ID_Company);
CREATE INDEX IX_Company_State_Company_ID_Company ON Company (State_Company, ID_Company);
CREATE INDEX IX_Company_Zip_Company_ID_Company ON Company (Zip_Company, ID_Company);
CREATE INDEX IX_Company_Email_Company_ID_Company ON Company (Email_Company, ID_Company);
CREATE INDEX IX_Company_Web_Company_ID_Company ON Company (Web_Company, ID_Company);
CREATE INDEX IX_Customer_Name_Customer_ID_Customer ON Customer (Name_Customer, ID_Customer);
CREATE INDEX IX_Customer_Type_Customer_ID_Customer ON Customer (Type_Customer, ID_Customer);
CREATE INDEX IX_Customer_Tell_Customer_ID_Customer ON Customer (Tell_Customer, ID_Customer);
CREATE INDEX IX_Customer_Address_Customer_ID_Customer ON Customer (Address_Customer, ID_Customer);
CREATE INDEX IX_Customer_City_Customer_ID_Customer ON Customer (City_Customer, ID_Customer);
CREATE INDEX IX_Customer_State_Customer_ID_Customer ON Customer (State_Customer, ID_Customer);
CREATE INDEX IX_Customer_Zip_Customer_ID_Customer ON Customer (Zip_Customer, ID_Customer);
CREATE INDEX IX_Customer_Email_Customer_ID_Customer ON Customer (Email_Customer, ID_Customer);
CREATE INDEX IX_Customer_Web_Customer_ID_Customer ON Customer (Web_Customer, ID_Customer);
CREATE INDEX IX_Employee_Name_Employee_ID_Employee ON Employee (Name_Employee, ID_Employee);
CREATE INDEX IX_Employee_DOB_Employee_ID_Employee ON Employee (DOB_Employee, ID_Employee);
CREATE INDEX IX_Employee_Email_Employee_ID_Employee ON Employee (Email_Employee, ID_Employee);
CREATE INDEX IX_Employee_SSN_Employee_ID_Employee ON Employee (SSN_Employee, ID_Employee);
CREATE INDEX IX_Labor_Description_Labor_ID_Labor ON Labor (Description_Labor, ID_Labor);
CREATE INDEX IX_Labor_PartNo_Labor_ID_Labor ON Labor (PartNo_Labor, ID_Labor);
CREATE INDEX IX_Labor_Rate_Labor_ID_Labor ON Labor (Rate_Labor, ID_Labor);
CREATE INDEX IX_Labor_Remark_Labor_ID_Labor ON Labor (Remark_Labor, ID_Labor);
CREATE INDEX IX_Payable_PayDate_Payable_BillNo_Payable ON Payable (PayDate_Payable, BillNo_Payable);
CREATE INDEX IX_PayableOrder_PayDate_Payable_BillNo_Payable ON PayableOrder (PayDate_Payable, BillNo_Payable);
CREATE INDEX IX_Receivable_PayDate_Receivable_InvoiceNo_Receivable ON Receivable (PayDate_Receivable, InvoiceNo_Receivable);
CREATE TABLE InvoiceSums (
  InvoiceNo_Sums INTEGER NOT NULL PRIMARY KEY,
  Parts_Sums NUMERIC(19,6),
  Labor_Sums NUMERIC(19,6),
  Paid_Sums NUMERIC(19,6),
  LastPay_Sums TIMESTAMP,
  Total_Sums NUMERIC(19,6),
  Open_Sums BOOLEAN
);
CREATE INDEX IX_InvoiceSums_Open_Sums ON InvoiceSums (Open_Sums);
CREATE INDEX IX_InvoiceSums_LastPay_Sums ON InvoiceSums (LastPay_Sums);
CREATE VIRTUAL TABLE VehicleKey_Invoice USING fts5(Vin, Plate, Truck, content='', tokenize='trigram');
CREATE TRIGGER VehicleKey_Invoice_Insert AFTER INSERT ON Invoice BEGIN INSERT INTO VehicleKey_Invoice (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_Invoice_Delete AFTER DELETE ON Invoice BEGIN INSERT INTO VehicleKey_Invoice (VehicleKey_Invoice, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_Invoice_Update AFTER UPDATE ON Invoice BEGIN INSERT INTO VehicleKey_Invoice (VehicleKey_Invoice, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); INSERT INTO VehicleKey_Invoice (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE VIRTUAL TABLE VehicleKey_Estimate USING fts5(Vin, Plate, Truck, content='', tokenize='trigram');
CREATE TRIGGER VehicleKey_Estimate_Insert AFTER INSERT ON Estimate BEGIN INSERT INTO VehicleKey_Estimate (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_Estimate_Delete AFTER DELETE ON Estimate BEGIN INSERT INTO VehicleKey_Estimate (VehicleKey_Estimate, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_Estimate_Update AFTER UPDATE ON Estimate BEGIN INSERT INTO VehicleKey_Estimate (VehicleKey_Estimate, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); INSERT INTO VehicleKey_Estimate (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE VIRTUAL TABLE VehicleKey_InvoiceCash USING fts5(Vin, Plate, Truck, content='', tokenize='trigram');
CREATE TRIGGER VehicleKey_InvoiceCash_Insert AFTER INSERT ON InvoiceCash BEGIN INSERT INTO VehicleKey_InvoiceCash (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_InvoiceCash_Delete AFTER DELETE ON InvoiceCash BEGIN INSERT INTO VehicleKey_InvoiceCash (VehicleKey_InvoiceCash, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER VehicleKey_InvoiceCash_Update AFTER UPDATE ON InvoiceCash BEGIN INSERT INTO VehicleKey_InvoiceCash (VehicleKey_InvoiceCash, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, Replace(old.Vin_Inv, ' ', ''), Replace(old.Plate_Inv, ' ', ''), Replace(old.TruckNo_Inv, ' ', '')); INSERT INTO VehicleKey_InvoiceCash (rowid, Vin, Plate, Truck) VALUES (new.rowid, Replace(new.Vin_Inv, ' ', ''), Replace(new.Plate_Inv, ' ', ''), Replace(new.TruckNo_Inv, ' ', '')); END;
CREATE TRIGGER InvoiceSums_InvItem_Insert AFTER INSERT ON InvItem BEGIN INSERT INTO InvoiceSums (InvoiceNo_Sums, Parts_Sums) SELECT new.Inv_Item, * FROM (SELECT Sum(Amount_Item) FROM InvItem WHERE Inv_Item = new.Inv_Item) WHERE typeof(new.Inv_Item) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Parts_Sums = excluded.Parts_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.Inv_Item AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.Inv_Item; END;
CREATE TRIGGER InvoiceSums_InvItem_Update AFTER UPDATE OF Inv_Item, Amount_Item ON InvItem BEGIN UPDATE InvoiceSums SET Parts_Sums = (SELECT Sum(Amount_Item) FROM InvItem WHERE Inv_Item = old.Inv_Item) WHERE InvoiceNo_Sums = old.Inv_Item; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.Inv_Item AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.Inv_Item; INSERT INTO InvoiceSums (InvoiceNo_Sums, Parts_Sums) SELECT new.Inv_Item, * FROM (SELECT Sum(Amount_Item) FROM InvItem WHERE Inv_Item = new.Inv_Item) WHERE typeof(new.Inv_Item) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Parts_Sums = excluded.Parts_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.Inv_Item AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.Inv_Item; END;
CREATE TRIGGER InvoiceSums_InvItem_Delete AFTER DELETE ON InvItem BEGIN UPDATE InvoiceSums SET Parts_Sums = (SELECT Sum(Amount_Item) FROM InvItem WHERE Inv_Item = old.Inv_Item) WHERE InvoiceNo_Sums = old.Inv_Item; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.Inv_Item AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.Inv_Item; END;
CREATE TRIGGER InvoiceSums_InvLabor_Insert AFTER INSERT ON InvLabor BEGIN INSERT INTO InvoiceSums (InvoiceNo_Sums, Labor_Sums) SELECT new.Inv_Labor, * FROM (SELECT Sum(Amount_Labor) FROM InvLabor WHERE Inv_Labor = new.Inv_Labor) WHERE typeof(new.Inv_Labor) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Labor_Sums = excluded.Labor_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.Inv_Labor AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.Inv_Labor; END;
CREATE TRIGGER InvoiceSums_InvLabor_Update AFTER UPDATE OF Inv_Labor, Amount_Labor ON InvLabor BEGIN UPDATE InvoiceSums SET Labor_Sums = (SELECT Sum(Amount_Labor) FROM InvLabor WHERE Inv_Labor = old.Inv_Labor) WHERE InvoiceNo_Sums = old.Inv_Labor; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.Inv_Labor AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.Inv_Labor; INSERT INTO InvoiceSums (InvoiceNo_Sums, Labor_Sums) SELECT new.Inv_Labor, * FROM (SELECT Sum(Amount_Labor) FROM InvLabor WHERE Inv_Labor = new.Inv_Labor) WHERE typeof(new.Inv_Labor) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Labor_Sums = excluded.Labor_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.Inv_Labor AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.Inv_Labor; END;
CREATE TRIGGER InvoiceSums_InvLabor_Delete AFTER DELETE ON InvLabor BEGIN UPDATE InvoiceSums SET Labor_Sums = (SELECT Sum(Amount_Labor) FROM InvLabor WHERE Inv_Labor = old.Inv_Labor) WHERE InvoiceNo_Sums = old.Inv_Labor; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.Inv_Labor AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.Inv_Labor; END;
CREATE TRIGGER InvoiceSums_Receivable_Insert AFTER INSERT ON Receivable BEGIN INSERT INTO InvoiceSums (InvoiceNo_Sums, Paid_Sums, LastPay_Sums) SELECT new.InvoiceNo_Receivable, * FROM (SELECT Sum(Amount_Receivable), Max(PayDate_Receivable) FROM Receivable WHERE InvoiceNo_Receivable = new.InvoiceNo_Receivable) WHERE typeof(new.InvoiceNo_Receivable) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Paid_Sums = excluded.Paid_Sums, LastPay_Sums = excluded.LastPay_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.InvoiceNo_Receivable AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.InvoiceNo_Receivable; END;
CREATE TRIGGER InvoiceSums_Receivable_Update AFTER UPDATE OF InvoiceNo_Receivable, Amount_Receivable, PayDate_Receivable ON Receivable BEGIN UPDATE InvoiceSums SET (Paid_Sums, LastPay_Sums) = (SELECT Sum(Amount_Receivable), Max(PayDate_Receivable) FROM Receivable WHERE InvoiceNo_Receivable = old.InvoiceNo_Receivable) WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable; INSERT INTO InvoiceSums (InvoiceNo_Sums, Paid_Sums, LastPay_Sums) SELECT new.InvoiceNo_Receivable, * FROM (SELECT Sum(Amount_Receivable), Max(PayDate_Receivable) FROM Receivable WHERE InvoiceNo_Receivable = new.InvoiceNo_Receivable) WHERE typeof(new.InvoiceNo_Receivable) = 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET Paid_Sums = excluded.Paid_Sums, LastPay_Sums = excluded.LastPay_Sums; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = new.InvoiceNo_Receivable AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.InvoiceNo_Receivable; END;
CREATE TRIGGER InvoiceSums_Receivable_Delete AFTER DELETE ON Receivable BEGIN UPDATE InvoiceSums SET (Paid_Sums, LastPay_Sums) = (SELECT Sum(Amount_Receivable), Max(PayDate_Receivable) FROM Receivable WHERE InvoiceNo_Receivable = old.InvoiceNo_Receivable) WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable; DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL;UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.InvoiceNo_Receivable; END;
CREATE TRIGGER InvoiceSums_Invoice_Insert AFTER INSERT ON Invoice BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.InvoiceNo_Inv; END;
CREATE TRIGGER InvoiceSums_Invoice_Update AFTER UPDATE OF InvoiceNo_Inv, InvoiceDate_Inv, Tax_Inv ON Invoice BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.InvoiceNo_Inv; UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = new.InvoiceNo_Inv; END;
CREATE TRIGGER InvoiceSums_Invoice_Delete AFTER DELETE ON Invoice BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums = old.InvoiceNo_Inv; END;
CREATE TRIGGER InvoiceSums_Tax_Insert AFTER INSERT ON Tax BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= (new.Year_T || '-01-01') AND InvoiceDate_Inv < ((new.Year_T + 1) || '-01-01')); END;
CREATE TRIGGER InvoiceSums_Tax_Update AFTER UPDATE OF Id_T, Year_T, A_T, E_T, Tax_T ON Tax BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= (old.Year_T || '-01-01') AND InvoiceDate_Inv < ((old.Year_T + 1) || '-01-01')); UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= (new.Year_T || '-01-01') AND InvoiceDate_Inv < ((new.Year_T + 1) || '-01-01')) AND new.Year_T IS NOT old.Year_T; END;
CREATE TRIGGER InvoiceSums_Tax_Delete AFTER DELETE ON Tax BEGIN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = 1 THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(substr(H.InvoiceDate_Inv, 1, 4) As Integer) And T.A_T <= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) And T.E_T >= Cast(substr(H.InvoiceDate_Inv, 6, 2) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, 0) WHERE InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= (old.Year_T || '-01-01') AND InvoiceDate_Inv < ((old.Year_T + 1) || '-01-01')); END;
PRAGMA user_version = 1224596495;
