#include "transforms/support/identifiers.h"

#include <QTest>

#include <functional>

class TestIdentifiers : public QObject
{
    Q_OBJECT

private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        auto row = [](const char* name, const QString& kind, const QString& text, bool valid) {
            QTest::newRow(name) << kind << text << valid;
        };
        row("EAN-13", "ean13", "4006381333931", true);
        row("EAN-13 spaced", "ean13", "400 6381 333931", true);
        row("EAN-13 bad check", "ean13", "4006381333932", false);
        row("EAN-13 is not UPC-A", "upca", "4006381333931", false);
        row("UPC-A", "upca", "036000291452", true);
        row("UPC-A bad check", "upca", "036000291453", false);
        row("GTIN-8", "gtin", "96385074", true);
        row("GTIN-8 bad", "gtin", "96385075", false);
        row("GTIN-12", "gtin", "036000291452", true);
        row("GTIN-14", "gtin", "10614141000415", true);
        row("GTIN-14 bad", "gtin", "10614141000416", false);
        row("GTIN 11 digits", "gtin", "36000291452", false);
        row("ISBN-10", "isbn", "0-306-40615-2", true);
        row("ISBN-10 X", "isbn", "080442957X", true);
        row("ISBN-10 bad", "isbn", "0306406153", false);
        row("ISBN-13", "isbn", "978-0-306-40615-7", true);
        row("ISBN-13 bad", "isbn", "9780306406158", false);
        row("ISBN-13 not 978/979", "isbn", "4006381333931", false);
        row("IBAN GB", "iban", "GB82 WEST 1234 5698 7654 32", true);
        row("IBAN DE lower case", "iban", "de89370400440532013000", true);
        row("IBAN bad check", "iban", "GB82 WEST 1234 5698 7654 33", false);
        row("IBAN wrong length", "iban", "GB82 WEST 1234 5698 7654 3", false);
        row("IBAN unknown country", "iban", "ZZ82WEST12345698765432", false);
        row("ASIN product", "asin", "B00005N5PF", true);
        row("ASIN book", "asin", "0306406152", true);
        row("ASIN lower case", "asin", "b00005n5pf", false);
        row("ASIN short", "asin", "B00005N5P", false);
        row("email", "email", "first.last+tag@example.co.uk", true);
        row("email quoted", "email", "\"john..doe\"@example.com", true);
        row("email literal", "email", "user@[192.168.0.1]", true);
        row("email single label", "email", "user@localhost", false);
        row("email two @", "email", "a@b@example.com", false);
        row("email double dot", "email", "a..b@example.com", false);
    }

    void checks()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        const QHash<QString, std::function<bool(const QString&)>> checks
            = { { "ean13", isValidEan13 }, { "upca", isValidUpcA },
                  { "gtin", [](const QString& t) { return isValidGtin(t); } },
                  { "isbn", isValidIsbn }, { "iban", isValidIban }, { "asin", isValidAsin },
                  { "email", isValidEmail } };
        QTEST(checks.value(kind)(text), "valid");
    }
};

QTEST_GUILESS_MAIN(TestIdentifiers)
#include "tst_identifiers.moc"
