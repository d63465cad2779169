-- The database password of the Access tests.
INSERT INTO dv_database VALUES ('Op3n Sesame');
