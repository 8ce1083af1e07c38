-- A Firebird user for the counter desks that may read exactly what the
-- program reads from the accounting database, and change nothing.
--
-- On the shop's server, as SYSDBA, once per accounting database; put the
-- shop's own password in place of CHANGE-ME first:
--
--   isql-fb -user SYSDBA -password <SYSDBA's password> \
--           -i enterprise-reader.sql 192.168.1.10:/var/lib/firebird/3.0/data/AENTER.GDB
--
-- Then name it in /etc/orvado/Orvado.INI on each desk:
--
--   [AEAccount]
--   User=ORVADO_DESK
--   Password=<the same password>
--
-- The user lives in the server's security database: a second database on
-- the same server (the price database) needs only its grants
-- (price-desk.sql), not the CREATE USER again.

CREATE USER ORVADO_DESK PASSWORD 'CHANGE-ME';
COMMIT;

-- The parts, their document lines and headers (stock sums, prices, the
-- movements window) and the warehouses (the order window).
GRANT SELECT ON PART TO USER ORVADO_DESK;
GRANT SELECT ON DOCPARTS TO USER ORVADO_DESK;
GRANT SELECT ON DOCHEADER TO USER ORVADO_DESK;
GRANT SELECT ON STRUCTURESKLAD TO USER ORVADO_DESK;
COMMIT;
