-- The sample database of the Access tests and the demo: two reports, a
-- saved filter. access_password.sql gives it a password.
CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT, country TEXT);
INSERT INTO customers VALUES (1, 'Alfreds Futterkiste', 'Berlin', 'Germany');
INSERT INTO customers VALUES (2, 'Bergen Fiskehandel', 'Bergen', 'Norway');
INSERT INTO customers VALUES (3, 'Comercio Mineiro', 'Sao Paulo', 'Brazil');
INSERT INTO customers VALUES (4, 'Nordlys Kafe', 'Tromso', 'Norway');
INSERT INTO customers VALUES (5, 'Wartian Herkku', 'Oulu', 'Finland');

CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT, product TEXT, amount REAL, region TEXT);
INSERT INTO orders VALUES (1, 'Alfreds Futterkiste', 'Chai', 180.0, 'Central');
INSERT INTO orders VALUES (2, 'Bergen Fiskehandel', 'Gravlax', 260.5, 'North');
INSERT INTO orders VALUES (3, 'Nordlys Kafe', 'Coffee', 46.0, 'North');
INSERT INTO orders VALUES (4, 'Comercio Mineiro', 'Guarana', 90.0, 'South');
INSERT INTO orders VALUES (5, 'Wartian Herkku', 'Rye bread', 32.25, 'North');

CREATE TABLE dv_reports (name TEXT PRIMARY KEY, title TEXT, record_source TEXT, columns TEXT, sort_by TEXT);
INSERT INTO dv_reports VALUES ('Customer List', 'Customers', 'customers', 'name, city, country', 'name');
INSERT INTO dv_reports VALUES ('Orders by Region', 'Orders by Region', 'orders', 'region, customer, product, amount',
                               'region, id');

CREATE TABLE dv_filters (name TEXT PRIMARY KEY, condition TEXT);
INSERT INTO dv_filters VALUES ('Nordic Customers', 'country IN (''Norway'', ''Finland'')');

CREATE TABLE dv_database (password TEXT);
