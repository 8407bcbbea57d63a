// Placeholder so the build has a suite; replaced by the codec tests.
#include <QTest>
class TstCodec : public QObject { Q_OBJECT private slots: void builds() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
