-- Rights of the desks' Firebird user on a price database that lies on the
-- shop's server: the currency table is read and changed in the currency
-- window (no row is ever deleted), and the EUR rate comes from the procedure.
-- A price database on the desk itself (/var/lib/orvado/ORVADO.GDB) needs none
-- of this.
--
--   isql-fb -user SYSDBA -password <SYSDBA's password> \
--           -i price-desk.sql 192.168.1.10:/var/lib/firebird/3.0/data/ORVADO.GDB
--
-- and in /etc/orvado/Orvado.INI:
--
--   [PriceAccount]
--   User=ORVADO_DESK
--   Password=<the password>

GRANT SELECT, INSERT, UPDATE ON CURRENCY TO USER ORVADO_DESK;
GRANT SELECT ON CURRENCY TO PROCEDURE GET_EURO_RATE;
GRANT EXECUTE ON PROCEDURE GET_EURO_RATE TO USER ORVADO_DESK;
COMMIT;
