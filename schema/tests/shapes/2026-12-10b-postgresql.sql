CREATE EXTENSION IF NOT EXISTS citext WITH SCHEMA public;
CREATE EXTENSION IF NOT EXISTS pg_trgm WITH SCHEMA public;
CREATE FUNCTION invoicesums_invitem() RETURNS trigger LANGUAGE plpgsql AS $$ DECLARE numbers integer[]; BEGIN IF TG_OP = 'TRUNCATE' THEN UPDATE InvoiceSums SET Parts_Sums = NULL WHERE Parts_Sums IS NOT NULL; DELETE FROM InvoiceSums WHERE Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; RETURN NULL; END IF; IF TG_OP = 'INSERT' THEN numbers := ARRAY(SELECT DISTINCT Inv_Item FROM new_rows WHERE Inv_Item IS NOT NULL ORDER BY 1); ELSIF TG_OP = 'DELETE' THEN numbers := ARRAY(SELECT DISTINCT Inv_Item FROM old_rows WHERE Inv_Item IS NOT NULL ORDER BY 1); ELSE numbers := ARRAY(SELECT Inv_Item FROM new_rows WHERE Inv_Item IS NOT NULL UNION SELECT Inv_Item FROM old_rows WHERE Inv_Item IS NOT NULL ORDER BY 1); END IF; INSERT INTO InvoiceSums (InvoiceNo_Sums) SELECT unnest(numbers) ON CONFLICT DO NOTHING; PERFORM 1 FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) ORDER BY InvoiceNo_Sums FOR UPDATE; UPDATE InvoiceSums s SET Parts_Sums = (SELECT Sum(l.Amount_Item) FROM InvItem l WHERE l.Inv_Item = s.InvoiceNo_Sums) WHERE s.InvoiceNo_Sums = ANY (numbers); DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE InvoiceNo_Sums = ANY (numbers); RETURN NULL; END $$;
CREATE FUNCTION invoicesums_invlabor() RETURNS trigger LANGUAGE plpgsql AS $$ DECLARE numbers integer[]; BEGIN IF TG_OP = 'TRUNCATE' THEN UPDATE InvoiceSums SET Labor_Sums = NULL WHERE Labor_Sums IS NOT NULL; DELETE FROM InvoiceSums WHERE Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; RETURN NULL; END IF; IF TG_OP = 'INSERT' THEN numbers := ARRAY(SELECT DISTINCT Inv_Labor FROM new_rows WHERE Inv_Labor IS NOT NULL ORDER BY 1); ELSIF TG_OP = 'DELETE' THEN numbers := ARRAY(SELECT DISTINCT Inv_Labor FROM old_rows WHERE Inv_Labor IS NOT NULL ORDER BY 1); ELSE numbers := ARRAY(SELECT Inv_Labor FROM new_rows WHERE Inv_Labor IS NOT NULL UNION SELECT Inv_Labor FROM old_rows WHERE Inv_Labor IS NOT NULL ORDER BY 1); END IF; INSERT INTO InvoiceSums (InvoiceNo_Sums) SELECT unnest(numbers) ON CONFLICT DO NOTHING; PERFORM 1 FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) ORDER BY InvoiceNo_Sums FOR UPDATE; UPDATE InvoiceSums s SET Labor_Sums = (SELECT Sum(l.Amount_Labor) FROM InvLabor l WHERE l.Inv_Labor = s.InvoiceNo_Sums) WHERE s.InvoiceNo_Sums = ANY (numbers); DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE InvoiceNo_Sums = ANY (numbers); RETURN NULL; END $$;
CREATE FUNCTION invoicesums_invoice() RETURNS trigger LANGUAGE plpgsql AS $$ DECLARE touched integer[]; BEGIN IF TG_OP = 'TRUNCATE' THEN UPDATE InvoiceSums SET Total_Sums = NULL, Open_Sums = false WHERE Total_Sums IS NOT NULL OR Open_Sums; RETURN NULL; END IF; IF TG_OP = 'INSERT' THEN touched := ARRAY(SELECT DISTINCT InvoiceNo_Inv FROM new_rows WHERE InvoiceNo_Inv IS NOT NULL ORDER BY 1); ELSIF TG_OP = 'DELETE' THEN touched := ARRAY(SELECT DISTINCT InvoiceNo_Inv FROM old_rows WHERE InvoiceNo_Inv IS NOT NULL ORDER BY 1); ELSE touched := ARRAY(SELECT InvoiceNo_Inv FROM new_rows WHERE InvoiceNo_Inv IS NOT NULL UNION SELECT InvoiceNo_Inv FROM old_rows WHERE InvoiceNo_Inv IS NOT NULL ORDER BY 1); END IF; UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE InvoiceNo_Sums = ANY (touched); RETURN NULL; END $$;
CREATE FUNCTION invoicesums_receivable() RETURNS trigger LANGUAGE plpgsql AS $$ DECLARE numbers integer[]; BEGIN IF TG_OP = 'TRUNCATE' THEN UPDATE InvoiceSums SET Paid_Sums = NULL, LastPay_Sums = NULL WHERE Paid_Sums IS NOT NULL OR LastPay_Sums IS NOT NULL; DELETE FROM InvoiceSums WHERE Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; RETURN NULL; END IF; IF TG_OP = 'INSERT' THEN numbers := ARRAY(SELECT DISTINCT InvoiceNo_Receivable FROM new_rows WHERE InvoiceNo_Receivable IS NOT NULL ORDER BY 1); ELSIF TG_OP = 'DELETE' THEN numbers := ARRAY(SELECT DISTINCT InvoiceNo_Receivable FROM old_rows WHERE InvoiceNo_Receivable IS NOT NULL ORDER BY 1); ELSE numbers := ARRAY(SELECT InvoiceNo_Receivable FROM new_rows WHERE InvoiceNo_Receivable IS NOT NULL UNION SELECT InvoiceNo_Receivable FROM old_rows WHERE InvoiceNo_Receivable IS NOT NULL ORDER BY 1); END IF; INSERT INTO InvoiceSums (InvoiceNo_Sums) SELECT unnest(numbers) ON CONFLICT DO NOTHING; PERFORM 1 FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) ORDER BY InvoiceNo_Sums FOR UPDATE; UPDATE InvoiceSums s SET (Paid_Sums, LastPay_Sums) = (SELECT Sum(l.Amount_Receivable), Max(l.PayDate_Receivable) FROM Receivable l WHERE l.InvoiceNo_Receivable = s.InvoiceNo_Sums) WHERE s.InvoiceNo_Sums = ANY (numbers); DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) AND Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL; UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE InvoiceNo_Sums = ANY (numbers); RETURN NULL; END $$;
CREATE FUNCTION invoicesums_tax() RETURNS trigger LANGUAGE plpgsql AS $$ DECLARE touched integer[]; y integer; BEGIN IF TG_OP = 'TRUNCATE' THEN UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE true; RETURN NULL; END IF; IF TG_OP = 'INSERT' THEN touched := ARRAY(SELECT DISTINCT Year_T FROM new_rows WHERE Year_T IS NOT NULL ORDER BY 1); ELSIF TG_OP = 'DELETE' THEN touched := ARRAY(SELECT DISTINCT Year_T FROM old_rows WHERE Year_T IS NOT NULL ORDER BY 1); ELSE touched := ARRAY(SELECT Year_T FROM new_rows WHERE Year_T IS NOT NULL UNION SELECT Year_T FROM old_rows WHERE Year_T IS NOT NULL ORDER BY 1); END IF; FOREACH y IN ARRAY touched LOOP UPDATE InvoiceSums SET Total_Sums = (SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums), Open_Sums = Coalesce(Round((SELECT Round(Coalesce(InvoiceSums.Parts_Sums, 0) + Coalesce(InvoiceSums.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = true THEN Coalesce(InvoiceSums.Parts_Sums, 0) * Coalesce((Select T.Tax_T From Tax T where T.Year_T = Cast(Extract(Year From H.InvoiceDate_Inv) As Integer) And T.A_T <= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) And T.E_T >= Cast(Extract(Month From H.InvoiceDate_Inv) As Integer) Order By T.Id_T Limit 1), 0) ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) - Coalesce(InvoiceSums.Paid_Sums, 0), 2) <> 0, false) WHERE InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= make_timestamp(y, 1, 1, 0, 0, 0) AND InvoiceDate_Inv < make_timestamp(y + 1, 1, 1, 0, 0, 0)); END LOOP; RETURN NULL; END $$;
CREATE TABLE bank (
    id_bank integer NOT NULL,
    name_bank citext,
    type_bank citext,
    accountno_bank citext,
    date_bank timestamp without time zone,
    company_bank citext,
    rowversion integer
);
CREATE TABLE bill (
    ref_bill citext,
    vendor_bill citext,
    billdate_bill timestamp without time zone,
    duedate_bill timestamp without time zone,
    amount_bill numeric(19,6),
    address_bill citext,
    chart_bill citext,
    subchart_bill citext,
    remark_bill citext,
    rowversion integer
);
CREATE TABLE billexpense (
    description_expense citext,
    partno_expense citext,
    qty_expense numeric(19,6),
    rate_expense numeric(19,6),
    amount_expense numeric(19,6),
    remark_expense citext,
    bill_expense citext,
    vendor_expense citext
);
CREATE TABLE billitem (
    name_bill citext,
    mfg_bill citext,
    qty_bill numeric(19,6),
    style_bill citext,
    color_bill citext,
    rate_bill numeric(19,6),
    amount_bill numeric(19,6),
    inv_bill citext,
    vendor_bill citext
);
CREATE TABLE company (
    id_company integer NOT NULL,
    name_company citext,
    type_company citext,
    tell_company citext,
    address_company citext,
    city_company citext,
    state_company citext,
    zip_company citext,
    contact1_company citext,
    contact2_company citext,
    email_company citext,
    web_company citext,
    fax_company citext,
    rowversion integer
);
CREATE TABLE customer (
    id_customer integer NOT NULL,
    name_customer citext,
    type_customer citext,
    tell_customer citext,
    address_customer citext,
    city_customer citext,
    state_customer citext,
    zip_customer citext,
    email_customer citext,
    web_customer citext,
    tel_customer citext,
    tel1_customer citext,
    rowversion integer
);
CREATE TABLE deposit (
    depositto_dep citext,
    date_dep timestamp without time zone,
    from_dep citext,
    acc_dep citext,
    subacc_dep citext,
    chk_dep citext,
    amount_dep numeric(19,6),
    remark_dep citext
);
CREATE TABLE employee (
    id_employee integer NOT NULL,
    name_employee citext,
    dob_employee timestamp without time zone,
    email_employee citext,
    ssn_employee citext,
    position_employee citext,
    emergency_employee citext,
    cell_employee citext,
    address_employee citext,
    city_employee citext,
    state_employee citext,
    zip_employee citext,
    start_employee timestamp without time zone,
    end_employee timestamp without time zone,
    rowversion integer
);
CREATE TABLE estimate (
    invoiceno_inv integer NOT NULL,
    paid_inv boolean,
    customername_inv citext,
    repairperson_inv citext,
    invoicedate_inv timestamp without time zone,
    po_inv citext,
    amount_inv numeric(19,6),
    joblocation_inv citext,
    duedate_inv timestamp without time zone,
    vin_inv citext,
    truckno_inv citext,
    mileage_inv citext,
    make_inv citext,
    model_inv citext,
    year_inv citext,
    plate_inv citext,
    tax_inv boolean,
    remark_inv citext,
    rowversion integer
);
CREATE TABLE estimateitem (
    name_item citext,
    mfg_item citext,
    qty_item numeric(19,6),
    style_item citext,
    color_item citext,
    rate_item numeric(19,6),
    amount_item numeric(19,6),
    inv_item integer
);
CREATE TABLE estimatelabor (
    description_labor citext,
    partno_labor citext,
    qty_labor numeric(19,6),
    rate_labor numeric(19,6),
    amount_labor numeric(19,6),
    remark_labor citext,
    inv_labor integer
);
CREATE TABLE invitem (
    name_item citext,
    mfg_item citext,
    qty_item numeric(19,6),
    style_item citext,
    color_item citext,
    rate_item numeric(19,6),
    amount_item numeric(19,6),
    inv_item integer
);
CREATE TABLE invitemcash (
    name_item citext,
    mfg_item citext,
    qty_item numeric(19,6),
    style_item citext,
    color_item citext,
    rate_item numeric(19,6),
    amount_item numeric(19,6),
    inv_item integer,
    kind_item citext
);
CREATE TABLE invlabor (
    description_labor citext,
    partno_labor citext,
    qty_labor numeric(19,6),
    rate_labor numeric(19,6),
    amount_labor numeric(19,6),
    remark_labor citext,
    inv_labor integer
);
CREATE TABLE invlaborcash (
    description_labor citext,
    partno_labor citext,
    qty_labor numeric(19,6),
    rate_labor numeric(19,6),
    amount_labor numeric(19,6),
    remark_labor citext,
    inv_labor integer,
    kind_labor citext
);
CREATE TABLE invoice (
    invoiceno_inv integer NOT NULL,
    paid_inv boolean,
    customername_inv citext,
    repairperson_inv citext,
    invoicedate_inv timestamp without time zone,
    po_inv citext,
    amount_inv numeric(19,6),
    joblocation_inv citext,
    duedate_inv timestamp without time zone,
    vin_inv citext,
    truckno_inv citext,
    mileage_inv citext,
    make_inv citext,
    model_inv citext,
    year_inv citext,
    plate_inv citext,
    tax_inv boolean,
    remark_inv citext,
    rowversion integer
);
CREATE TABLE invoicecash (
    invoiceno_inv integer,
    paid_inv boolean,
    customername_inv citext,
    repairperson_inv citext,
    invoicedate_inv timestamp without time zone,
    po_inv citext,
    amount_inv numeric(19,6),
    joblocation_inv citext,
    duedate_inv timestamp without time zone,
    vin_inv citext,
    truckno_inv citext,
    mileage_inv citext,
    make_inv citext,
    model_inv citext,
    year_inv citext,
    plate_inv citext,
    remark_inv citext,
    kind_inv citext
);
CREATE TABLE invoicesums (
    invoiceno_sums integer NOT NULL,
    parts_sums numeric(19,6),
    labor_sums numeric(19,6),
    paid_sums numeric(19,6),
    lastpay_sums timestamp without time zone,
    total_sums numeric(19,6),
    open_sums boolean
);
CREATE TABLE items (
    name_item citext,
    mfg_item citext,
    qty_item numeric(19,6),
    style_item citext,
    color_item citext,
    rate_item numeric(19,6),
    amount_item numeric(19,6),
    po_item integer
);
CREATE TABLE labor (
    id_labor integer NOT NULL,
    description_labor citext,
    partno_labor citext,
    rate_labor numeric(19,6),
    remark_labor citext,
    rowversion integer
);
CREATE TABLE openinvoice (
    invno integer,
    name citext,
    datet timestamp without time zone,
    paidt numeric(19,6),
    amount numeric(19,6)
);
CREATE TABLE orders (
    po_order integer NOT NULL,
    sidemark_order citext,
    orderby_order citext,
    orderdate_order timestamp without time zone,
    vendor_order citext,
    shipfrom_order citext,
    shipto_order citext,
    shipdate_order timestamp without time zone,
    forinvoice_order citext,
    rowversion integer
);
CREATE TABLE part (
    id_material integer NOT NULL,
    type_material citext,
    number_material citext,
    description_material citext,
    mfg_material citext,
    style_material citext,
    style_type_material citext,
    color_material citext,
    size_material citext,
    unit_material citext,
    price_material numeric(19,6),
    remark_material citext,
    rowversion integer
);
CREATE TABLE pass (
    username_pass citext NOT NULL,
    password_pass citext
);
CREATE TABLE payable (
    billno_payable citext,
    name_payable citext,
    viapayment_payable citext,
    paydate_payable timestamp without time zone,
    ref_payable citext,
    amount_payable numeric(19,6),
    chart_payable citext,
    subchart_payable citext,
    remark_payable citext
);
CREATE TABLE payableorder (
    billno_payable citext,
    name_payable citext,
    viapayment_payable citext,
    paydate_payable timestamp without time zone,
    ref_payable citext,
    amount_payable numeric(19,6),
    chart_payable citext,
    subchart_payable citext,
    remark_payable citext
);
CREATE TABLE receivable (
    invoiceno_receivable integer,
    name_receivable citext,
    viapayment_receivable citext,
    paydate_receivable timestamp without time zone,
    ref_receivable citext,
    depositto_receivable citext,
    amount_receivable numeric(19,6),
    chart_receivable citext,
    subchart_receivable citext,
    remark_receivable citext
);
CREATE TABLE reg (
    id_r integer NOT NULL,
    name_r citext,
    address_r citext,
    catagory_r citext,
    city_r citext,
    state_r citext,
    zip_r citext,
    apt_r citext,
    tel_r citext,
    fax_r citext,
    cell_r citext,
    web_r citext,
    email_r citext
);
COMMENT ON TABLE reg IS 'Kestrum schema version 48fddc0f';
CREATE TABLE tax (
    id_t integer NOT NULL,
    year_t integer,
    a_t integer,
    e_t integer,
    tax_t numeric(19,8),
    rowversion integer
);
CREATE TABLE totalitem (
    t_inv_item integer,
    t_amount_item numeric(19,6)
);
CREATE TABLE totallabor (
    t_inv_labor integer,
    t_amount_labor numeric(19,6)
);
CREATE TABLE totalreport (
    invno integer,
    name citext,
    via citext,
    datet timestamp without time zone,
    amount numeric(19,6)
);
CREATE TABLE totaltax (
    t_inv_tax integer,
    t_amount_tax numeric(19,6)
);
ALTER TABLE ONLY bank
    ADD CONSTRAINT bank_pkey PRIMARY KEY (id_bank);
ALTER TABLE ONLY company
    ADD CONSTRAINT company_pkey PRIMARY KEY (id_company);
ALTER TABLE ONLY customer
    ADD CONSTRAINT customer_pkey PRIMARY KEY (id_customer);
ALTER TABLE ONLY employee
    ADD CONSTRAINT employee_pkey PRIMARY KEY (id_employee);
ALTER TABLE ONLY estimate
    ADD CONSTRAINT estimate_pkey PRIMARY KEY (invoiceno_inv);
ALTER TABLE ONLY invoice
    ADD CONSTRAINT invoice_pkey PRIMARY KEY (invoiceno_inv);
ALTER TABLE ONLY invoicesums
    ADD CONSTRAINT invoicesums_pkey PRIMARY KEY (invoiceno_sums);
ALTER TABLE ONLY labor
    ADD CONSTRAINT labor_pkey PRIMARY KEY (id_labor);
ALTER TABLE ONLY orders
    ADD CONSTRAINT orders_pkey PRIMARY KEY (po_order);
ALTER TABLE ONLY part
    ADD CONSTRAINT part_pkey PRIMARY KEY (id_material);
ALTER TABLE ONLY pass
    ADD CONSTRAINT pass_pkey PRIMARY KEY (username_pass);
ALTER TABLE ONLY reg
    ADD CONSTRAINT reg_pkey PRIMARY KEY (id_r);
ALTER TABLE ONLY tax
    ADD CONSTRAINT tax_pkey PRIMARY KEY (id_t);
CREATE INDEX ix_bank_name_bank ON bank USING btree (name_bank NULLS FIRST);
CREATE INDEX ix_bill_billdate_bill ON bill USING btree (billdate_bill NULLS FIRST);
CREATE INDEX ix_bill_ref_bill ON bill USING btree (ref_bill NULLS FIRST);
CREATE INDEX ix_bill_vendor_bill ON bill USING btree (vendor_bill NULLS FIRST);
CREATE INDEX ix_billexpense_bill_expense_vendor_expense ON billexpense USING btree (bill_expense NULLS FIRST, vendor_expense NULLS FIRST);
CREATE INDEX ix_billitem_color_bill ON billitem USING btree (color_bill NULLS FIRST);
CREATE INDEX ix_billitem_inv_bill_vendor_bill ON billitem USING btree (inv_bill NULLS FIRST, vendor_bill NULLS FIRST);
CREATE INDEX ix_company_address_company_id_company ON company USING btree (address_company NULLS FIRST, id_company);
CREATE INDEX ix_company_city_company_id_company ON company USING btree (city_company NULLS FIRST, id_company);
CREATE INDEX ix_company_email_company_id_company ON company USING btree (email_company NULLS FIRST, id_company);
CREATE INDEX ix_company_name_company ON company USING btree (name_company NULLS FIRST);
CREATE INDEX ix_company_name_company_id_company ON company USING btree (name_company NULLS FIRST, id_company);
CREATE INDEX ix_company_state_company_id_company ON company USING btree (state_company NULLS FIRST, id_company);
CREATE INDEX ix_company_tell_company_id_company ON company USING btree (tell_company NULLS FIRST, id_company);
CREATE INDEX ix_company_type_company_id_company ON company USING btree (type_company NULLS FIRST, id_company);
CREATE INDEX ix_company_web_company_id_company ON company USING btree (web_company NULLS FIRST, id_company);
CREATE INDEX ix_company_zip_company_id_company ON company USING btree (zip_company NULLS FIRST, id_company);
CREATE INDEX ix_customer_address_customer_id_customer ON customer USING btree (address_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_city_customer_id_customer ON customer USING btree (city_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_email_customer_id_customer ON customer USING btree (email_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_lower_address_customer ON customer USING btree (lower((address_customer)::text) NULLS FIRST, id_customer) INCLUDE (address_customer);
CREATE INDEX ix_customer_lower_city_customer ON customer USING btree (lower((city_customer)::text) NULLS FIRST, id_customer) INCLUDE (city_customer);
CREATE INDEX ix_customer_lower_email_customer ON customer USING btree (lower((email_customer)::text) NULLS FIRST, id_customer) INCLUDE (email_customer);
CREATE INDEX ix_customer_lower_name_customer ON customer USING btree (lower((name_customer)::text) NULLS FIRST, id_customer) INCLUDE (name_customer);
CREATE INDEX ix_customer_lower_state_customer ON customer USING btree (lower((state_customer)::text) NULLS FIRST, id_customer) INCLUDE (state_customer);
CREATE INDEX ix_customer_lower_tell_customer ON customer USING btree (lower((tell_customer)::text) NULLS FIRST, id_customer) INCLUDE (tell_customer);
CREATE INDEX ix_customer_lower_type_customer ON customer USING btree (lower((type_customer)::text) NULLS FIRST, id_customer) INCLUDE (type_customer);
CREATE INDEX ix_customer_lower_web_customer ON customer USING btree (lower((web_customer)::text) NULLS FIRST, id_customer) INCLUDE (web_customer);
CREATE INDEX ix_customer_lower_zip_customer ON customer USING btree (lower((zip_customer)::text) NULLS FIRST, id_customer) INCLUDE (zip_customer);
CREATE INDEX ix_customer_name_customer ON customer USING btree (name_customer NULLS FIRST);
CREATE INDEX ix_customer_name_customer_id_customer ON customer USING btree (name_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_state_customer_id_customer ON customer USING btree (state_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_tell_customer_id_customer ON customer USING btree (tell_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_type_customer_id_customer ON customer USING btree (type_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_web_customer_id_customer ON customer USING btree (web_customer NULLS FIRST, id_customer);
CREATE INDEX ix_customer_zip_customer_id_customer ON customer USING btree (zip_customer NULLS FIRST, id_customer);
CREATE INDEX ix_deposit_chk_dep ON deposit USING btree (chk_dep NULLS FIRST);
CREATE INDEX ix_deposit_depositto_dep ON deposit USING btree (depositto_dep NULLS FIRST);
CREATE INDEX ix_employee_dob_employee_id_employee ON employee USING btree (dob_employee NULLS FIRST, id_employee);
CREATE INDEX ix_employee_email_employee_id_employee ON employee USING btree (email_employee NULLS FIRST, id_employee);
CREATE INDEX ix_employee_name_employee ON employee USING btree (name_employee NULLS FIRST);
CREATE INDEX ix_employee_name_employee_id_employee ON employee USING btree (name_employee NULLS FIRST, id_employee);
CREATE INDEX ix_employee_ssn_employee_id_employee ON employee USING btree (ssn_employee NULLS FIRST, id_employee);
CREATE INDEX ix_estimate_customername_inv ON estimate USING btree (customername_inv NULLS FIRST);
CREATE INDEX ix_estimate_invoicedate_inv ON estimate USING btree (invoicedate_inv NULLS FIRST);
CREATE INDEX ix_estimate_paid_inv_invoiceno_inv ON estimate USING btree (paid_inv NULLS FIRST, invoiceno_inv NULLS FIRST);
CREATE INDEX ix_estimate_plate_inv ON estimate USING btree (plate_inv NULLS FIRST);
CREATE INDEX ix_estimate_plate_inv_trigram ON estimate USING gin (upper(replace(plate_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_estimate_repairperson_inv ON estimate USING btree (repairperson_inv NULLS FIRST);
CREATE INDEX ix_estimate_truckno_inv_trigram ON estimate USING gin (upper(replace(truckno_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_estimate_vin_inv ON estimate USING btree (vin_inv NULLS FIRST);
CREATE INDEX ix_estimate_vin_inv_trigram ON estimate USING gin (upper(replace(vin_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_estimateitem_color_item ON estimateitem USING btree (color_item NULLS FIRST);
CREATE INDEX ix_estimateitem_inv_item ON estimateitem USING btree (inv_item NULLS FIRST);
CREATE INDEX ix_estimatelabor_description_labor ON estimatelabor USING btree (description_labor NULLS FIRST);
CREATE INDEX ix_estimatelabor_inv_labor ON estimatelabor USING btree (inv_labor NULLS FIRST);
CREATE INDEX ix_invitem_color_item ON invitem USING btree (color_item NULLS FIRST);
CREATE INDEX ix_invitem_inv_item ON invitem USING btree (inv_item NULLS FIRST);
CREATE INDEX ix_invitemcash_color_item ON invitemcash USING btree (color_item NULLS FIRST);
CREATE INDEX ix_invitemcash_inv_item ON invitemcash USING btree (inv_item NULLS FIRST);
CREATE INDEX ix_invlabor_description_labor ON invlabor USING btree (description_labor NULLS FIRST);
CREATE INDEX ix_invlabor_inv_labor ON invlabor USING btree (inv_labor NULLS FIRST);
CREATE INDEX ix_invlaborcash_description_labor ON invlaborcash USING btree (description_labor NULLS FIRST);
CREATE INDEX ix_invlaborcash_inv_labor ON invlaborcash USING btree (inv_labor NULLS FIRST);
CREATE INDEX ix_invoice_customername_inv ON invoice USING btree (customername_inv NULLS FIRST);
CREATE INDEX ix_invoice_invoicedate_inv ON invoice USING btree (invoicedate_inv NULLS FIRST);
CREATE INDEX ix_invoice_paid_inv_invoiceno_inv ON invoice USING btree (paid_inv NULLS FIRST, invoiceno_inv NULLS FIRST);
CREATE INDEX ix_invoice_plate_inv ON invoice USING btree (plate_inv NULLS FIRST);
CREATE INDEX ix_invoice_plate_inv_trigram ON invoice USING gin (upper(replace(plate_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoice_repairperson_inv ON invoice USING btree (repairperson_inv NULLS FIRST);
CREATE INDEX ix_invoice_truckno_inv_trigram ON invoice USING gin (upper(replace(truckno_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoice_vin_inv ON invoice USING btree (vin_inv NULLS FIRST);
CREATE INDEX ix_invoice_vin_inv_trigram ON invoice USING gin (upper(replace(vin_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoicecash_customername_inv ON invoicecash USING btree (customername_inv NULLS FIRST);
CREATE INDEX ix_invoicecash_invoiceno_inv ON invoicecash USING btree (invoiceno_inv NULLS FIRST);
CREATE INDEX ix_invoicecash_plate_inv ON invoicecash USING btree (plate_inv NULLS FIRST);
CREATE INDEX ix_invoicecash_plate_inv_trigram ON invoicecash USING gin (upper(replace(plate_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoicecash_truckno_inv_trigram ON invoicecash USING gin (upper(replace(truckno_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoicecash_vin_inv ON invoicecash USING btree (vin_inv NULLS FIRST);
CREATE INDEX ix_invoicecash_vin_inv_trigram ON invoicecash USING gin (upper(replace(vin_inv, ' '::citext, ''::citext)) gin_trgm_ops);
CREATE INDEX ix_invoicesums_lastpay_sums ON invoicesums USING btree (lastpay_sums NULLS FIRST);
CREATE INDEX ix_invoicesums_open_sums ON invoicesums USING btree (open_sums NULLS FIRST);
CREATE INDEX ix_items_color_item ON items USING btree (color_item NULLS FIRST);
CREATE INDEX ix_items_po_item ON items USING btree (po_item NULLS FIRST);
CREATE INDEX ix_labor_description_labor ON labor USING btree (description_labor NULLS FIRST);
CREATE INDEX ix_labor_description_labor_id_labor ON labor USING btree (description_labor NULLS FIRST, id_labor);
CREATE INDEX ix_labor_partno_labor_id_labor ON labor USING btree (partno_labor NULLS FIRST, id_labor);
CREATE INDEX ix_labor_rate_labor_id_labor ON labor USING btree (rate_labor NULLS FIRST, id_labor);
CREATE INDEX ix_labor_remark_labor_id_labor ON labor USING btree (remark_labor NULLS FIRST, id_labor);
CREATE INDEX ix_orders_orderdate_order ON orders USING btree (orderdate_order NULLS FIRST);
CREATE INDEX ix_orders_vendor_order ON orders USING btree (vendor_order NULLS FIRST);
CREATE INDEX ix_part_color_material ON part USING btree (color_material NULLS FIRST);
CREATE INDEX ix_part_color_material_id_material ON part USING btree (color_material NULLS FIRST, id_material);
CREATE INDEX ix_part_description_material_id_material ON part USING btree (description_material NULLS FIRST, id_material);
CREATE INDEX ix_part_lower_color_material ON part USING btree (lower((color_material)::text) NULLS FIRST, id_material) INCLUDE (color_material);
CREATE INDEX ix_part_lower_description_material ON part USING btree (lower((description_material)::text) NULLS FIRST, id_material) INCLUDE (description_material);
CREATE INDEX ix_part_lower_mfg_material ON part USING btree (lower((mfg_material)::text) NULLS FIRST, id_material) INCLUDE (mfg_material);
CREATE INDEX ix_part_lower_number_material ON part USING btree (lower((number_material)::text) NULLS FIRST, id_material) INCLUDE (number_material);
CREATE INDEX ix_part_lower_remark_material ON part USING btree (lower((remark_material)::text) NULLS FIRST, id_material) INCLUDE (remark_material);
CREATE INDEX ix_part_lower_size_material ON part USING btree (lower((size_material)::text) NULLS FIRST, id_material) INCLUDE (size_material);
CREATE INDEX ix_part_lower_style_material ON part USING btree (lower((style_material)::text) NULLS FIRST, id_material) INCLUDE (style_material);
CREATE INDEX ix_part_lower_style_type_material ON part USING btree (lower((style_type_material)::text) NULLS FIRST, id_material) INCLUDE (style_type_material);
CREATE INDEX ix_part_lower_type_material ON part USING btree (lower((type_material)::text) NULLS FIRST, id_material) INCLUDE (type_material);
CREATE INDEX ix_part_lower_unit_material ON part USING btree (lower((unit_material)::text) NULLS FIRST, id_material) INCLUDE (unit_material);
CREATE INDEX ix_part_mfg_material ON part USING btree (mfg_material NULLS FIRST);
CREATE INDEX ix_part_mfg_material_id_material ON part USING btree (mfg_material NULLS FIRST, id_material);
CREATE INDEX ix_part_number_material ON part USING btree (number_material NULLS FIRST);
CREATE INDEX ix_part_number_material_id_material ON part USING btree (number_material NULLS FIRST, id_material);
CREATE INDEX ix_part_price_material_id_material ON part USING btree (price_material NULLS FIRST, id_material);
CREATE INDEX ix_part_remark_material_id_material ON part USING btree (remark_material NULLS FIRST, id_material);
CREATE INDEX ix_part_size_material_id_material ON part USING btree (size_material NULLS FIRST, id_material);
CREATE INDEX ix_part_style_material_id_material ON part USING btree (style_material NULLS FIRST, id_material);
CREATE INDEX ix_part_style_type_material_id_material ON part USING btree (style_type_material NULLS FIRST, id_material);
CREATE INDEX ix_part_type_material ON part USING btree (type_material NULLS FIRST);
CREATE INDEX ix_part_type_material_id_material ON part USING btree (type_material NULLS FIRST, id_material);
CREATE INDEX ix_part_unit_material ON part USING btree (unit_material NULLS FIRST);
CREATE INDEX ix_part_unit_material_id_material ON part USING btree (unit_material NULLS FIRST, id_material);
CREATE INDEX ix_payable_billno_payable ON payable USING btree (billno_payable NULLS FIRST);
CREATE INDEX ix_payable_name_payable ON payable USING btree (name_payable NULLS FIRST);
CREATE INDEX ix_payable_paydate_payable ON payable USING btree (paydate_payable NULLS FIRST);
CREATE INDEX ix_payable_paydate_payable_billno_payable ON payable USING btree (paydate_payable NULLS FIRST, billno_payable NULLS FIRST);
CREATE INDEX ix_payableorder_billno_payable ON payableorder USING btree (billno_payable NULLS FIRST);
CREATE INDEX ix_payableorder_name_payable ON payableorder USING btree (name_payable NULLS FIRST);
CREATE INDEX ix_payableorder_paydate_payable ON payableorder USING btree (paydate_payable NULLS FIRST);
CREATE INDEX ix_payableorder_paydate_payable_billno_payable ON payableorder USING btree (paydate_payable NULLS FIRST, billno_payable NULLS FIRST);
CREATE INDEX ix_receivable_depositto_receivable ON receivable USING btree (depositto_receivable NULLS FIRST);
CREATE INDEX ix_receivable_invoiceno_receivable ON receivable USING btree (invoiceno_receivable NULLS FIRST);
CREATE INDEX ix_receivable_name_receivable ON receivable USING btree (name_receivable NULLS FIRST);
CREATE INDEX ix_receivable_paydate_receivable ON receivable USING btree (paydate_receivable NULLS FIRST);
CREATE INDEX ix_receivable_paydate_receivable_invoiceno_receivable ON receivable USING btree (paydate_receivable NULLS FIRST, invoiceno_receivable NULLS FIRST);
CREATE INDEX ix_tax_year_t ON tax USING btree (year_t NULLS FIRST);
CREATE UNIQUE INDEX ux_bill_ref_bill_vendor_bill ON bill USING btree (ref_bill NULLS FIRST, vendor_bill NULLS FIRST);
CREATE TRIGGER invoicesums_invitem_delete AFTER DELETE ON invitem REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invitem();
CREATE TRIGGER invoicesums_invitem_insert AFTER INSERT ON invitem REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invitem();
CREATE TRIGGER invoicesums_invitem_truncate AFTER TRUNCATE ON invitem FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invitem();
CREATE TRIGGER invoicesums_invitem_update AFTER UPDATE ON invitem REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invitem();
CREATE TRIGGER invoicesums_invlabor_delete AFTER DELETE ON invlabor REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invlabor();
CREATE TRIGGER invoicesums_invlabor_insert AFTER INSERT ON invlabor REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invlabor();
CREATE TRIGGER invoicesums_invlabor_truncate AFTER TRUNCATE ON invlabor FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invlabor();
CREATE TRIGGER invoicesums_invlabor_update AFTER UPDATE ON invlabor REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invlabor();
CREATE TRIGGER invoicesums_invoice_delete AFTER DELETE ON invoice REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invoice();
CREATE TRIGGER invoicesums_invoice_insert AFTER INSERT ON invoice REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invoice();
CREATE TRIGGER invoicesums_invoice_truncate AFTER TRUNCATE ON invoice FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invoice();
CREATE TRIGGER invoicesums_invoice_update AFTER UPDATE ON invoice REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_invoice();
CREATE TRIGGER invoicesums_receivable_delete AFTER DELETE ON receivable REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_receivable();
CREATE TRIGGER invoicesums_receivable_insert AFTER INSERT ON receivable REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_receivable();
CREATE TRIGGER invoicesums_receivable_truncate AFTER TRUNCATE ON receivable FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_receivable();
CREATE TRIGGER invoicesums_receivable_update AFTER UPDATE ON receivable REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_receivable();
CREATE TRIGGER invoicesums_tax_delete AFTER DELETE ON tax REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_tax();
CREATE TRIGGER invoicesums_tax_insert AFTER INSERT ON tax REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_tax();
CREATE TRIGGER invoicesums_tax_truncate AFTER TRUNCATE ON tax FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_tax();
CREATE TRIGGER invoicesums_tax_update AFTER UPDATE ON tax REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION invoicesums_tax();
