// The trend tab saved as an image: the view over the series table, pixel for pixel, at the
// scale factor the test runs with (1, and 2 as tst_trendimage_scale2), and the file name.
#include "../core/windowfixture.h"
#include "chartdrawer.h"
#include "ui_mainwindow.h"

#include <QImage>
#include <QPushButton>
#include <QStatusBar>
#include <csignal>
#include <sys/resource.h>

class tst_TrendImage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void picture();
    void fileNames();
    void failedWriteKeepsThePicture();

private:
    void save(const QString &answer);
    Ui::MainWindow *ui() const { return m_f.window->form(); }

    WindowFixture m_f;
};

void tst_TrendImage::init()
{
    m_f.setUp();
    m_f.create();
    // The time axis stays where it is while the test grabs.
    ui()->StartandPause->setText(QString::fromUtf8("开始"));
}

void tst_TrendImage::cleanup()
{
    m_f.tearDown();
}

void tst_TrendImage::save(const QString &answer)
{
    m_f.chooser->answers << answer;
    QVERIFY(QMetaObject::invokeMethod(m_f.window.get(), "on_saveWave_clicked"));
}

void tst_TrendImage::picture()
{
    ChartDrawer *view = m_f.window->trendView();
    QTableWidget *table = ui()->tableWidget;
    table->setMaximumWidth(250); // narrower than the view
    const QString path = m_f.path("trend.png");
    // The image's outcome replaces what an earlier action said.
    m_f.window->statusBar()->showMessage(QString::fromUtf8("报表保存成功"), 0);
    save(path);
    QCOMPARE(m_f.window->statusBar()->currentMessage(), QString::fromUtf8("图像已保存：") + path);

    const QImage grabbedView = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage grabbedTable = table->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal scale = view->devicePixelRatioF();
    QCOMPARE(
        qreal(qgetenv("QT_SCALE_FACTOR").isEmpty() ? 1 : qgetenv("QT_SCALE_FACTOR").toDouble()),
        scale);
    const int w = qRound(view->width() * scale);
    const int viewH = qRound(view->height() * scale);
    const int tableW = qRound(table->width() * scale);
    const int tableH = qRound(table->height() * scale);
    QCOMPARE(grabbedView.size(), QSize(w, viewH));
    QCOMPARE(grabbedTable.size(), QSize(tableW, tableH));
    QVERIFY(tableW < w && tableH > 0);

    QImage image(path);
    QVERIFY(!image.isNull());
    image = image.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(w, viewH + tableH));
    QVERIFY(image.copy(0, 0, w, viewH) == grabbedView);
    QVERIFY(image.copy(0, viewH, tableW, tableH) == grabbedTable);
    // Right of the narrower table: white, not whatever the memory held.
    const QImage rest = image.copy(tableW, viewH, w - tableW, tableH);
    for (int y = 0; y < rest.height(); ++y) {
        for (int x = 0; x < rest.width(); ++x)
            QCOMPARE(rest.pixel(x, y), qRgb(255, 255, 255));
    }
}

void tst_TrendImage::fileNames()
{
    QCOMPARE(m_f.chooser->calls, QStringList());
    // Cancelled: nothing saved, and what the bar said stays.
    m_f.window->statusBar()->showMessage(QString::fromUtf8("报表保存成功"), 0);
    save(QString());
    QCOMPARE(QDir(m_f.dir->path()).entryList({"*.png"}, QDir::Files), QStringList());
    QCOMPARE(m_f.window->statusBar()->currentMessage(), QString::fromUtf8("报表保存成功"));
    QCOMPARE(m_f.chooser->calls, QStringList{QString::fromUtf8("保存图像")});

    save(m_f.path("no suffix"));
    QVERIFY(QFile::exists(m_f.path("no suffix.png")));
    QVERIFY(!QImage(m_f.path("no suffix.png")).isNull());

    // A plain file where the folder should be.
    QFile blocker(m_f.path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    save(m_f.path("blocker/t.png"));
    QCOMPARE(m_f.window->statusBar()->currentMessage(),
             QString::fromUtf8("图像保存失败：") + m_f.path("blocker/t.png"));
}

// A disk that fills while the picture is written (a file size limit of 1 KiB stands in for it):
// the picture already there stays whole, and nothing half-written is left beside it.
void tst_TrendImage::failedWriteKeepsThePicture()
{
    const QString path = m_f.path("trend.png");
    save(path);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray picture = saved.readAll();
    saved.close();
    QVERIFY(picture.size() > 1024);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    ui()->tableWidget->setRowCount(3); // a picture that differs from the one on disk
    save(path);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &before), 0);

    QCOMPARE(m_f.window->statusBar()->currentMessage(), QString::fromUtf8("图像保存失败：") + path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), picture);
    QCOMPARE(QDir(m_f.dir->path()).entryList({"trend*"}, QDir::Files), QStringList{"trend.png"});
}

QTEST_MAIN(tst_TrendImage)
#include "tst_trendimage.moc"
