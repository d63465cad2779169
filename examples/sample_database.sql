-- The sample database of convert_access.vbs (the demo builds sample.mdb
-- from it with sqlite3): products and suppliers, and two reports over them.
CREATE TABLE suppliers (id INTEGER PRIMARY KEY, company TEXT, contact TEXT, city TEXT, country TEXT);
INSERT INTO suppliers VALUES (1, 'Exotic Liquids', 'Charlotte Cooper', 'London', 'UK');
INSERT INTO suppliers VALUES (2, 'New Orleans Cajun Delights', 'Shelley Burke', 'New Orleans', 'USA');
INSERT INTO suppliers VALUES (3, 'Tokyo Traders', 'Yoshi Nagase', 'Tokyo', 'Japan');
INSERT INTO suppliers VALUES (4, 'Norske Meierier', 'Beate Vileid', 'Sandvika', 'Norway');

CREATE TABLE products (id INTEGER PRIMARY KEY, product TEXT, supplier TEXT, category TEXT, price REAL, stock INTEGER);
INSERT INTO products VALUES (1, 'Chai', 'Exotic Liquids', 'Beverages', 18.00, 39);
INSERT INTO products VALUES (2, 'Chang', 'Exotic Liquids', 'Beverages', 19.00, 17);
INSERT INTO products VALUES (3, 'Aniseed Syrup', 'Exotic Liquids', 'Condiments', 10.00, 13);
INSERT INTO products VALUES (4, 'Cajun Seasoning', 'New Orleans Cajun Delights', 'Condiments', 22.00, 53);
INSERT INTO products VALUES (5, 'Gumbo Mix', 'New Orleans Cajun Delights', 'Condiments', 21.35, 0);
INSERT INTO products VALUES (6, 'Dried Pears', 'Tokyo Traders', 'Produce', 30.00, 15);
INSERT INTO products VALUES (7, 'Ikura', 'Tokyo Traders', 'Seafood', 31.00, 31);
INSERT INTO products VALUES (8, 'Geitost', 'Norske Meierier', 'Dairy', 2.50, 112);
INSERT INTO products VALUES (9, 'Gudbrandsdalsost', 'Norske Meierier', 'Dairy', 36.00, 26);

CREATE TABLE dv_reports (name TEXT PRIMARY KEY, title TEXT, record_source TEXT, columns TEXT, sort_by TEXT);
INSERT INTO dv_reports VALUES ('Suppliers', 'Suppliers', 'suppliers', 'company, contact, city, country', 'company');
INSERT INTO dv_reports VALUES ('Price List', 'Price List', 'products', 'category, product, price, stock',
                               'category, product');
CREATE TABLE dv_filters (name TEXT PRIMARY KEY, condition TEXT);
CREATE TABLE dv_database (password TEXT);
