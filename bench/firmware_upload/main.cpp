// Prints the seconds one 102,400-byte APP upload of the firmware page takes, five runs each:
// through a mosquitto broker on 127.0.0.1 with a controller on the device's topics, and over a
// socat pty to the device simulator in one firmware exchange. The serial figure includes the
// 200 ms of silence that ends the exchange.
#include "dialogsetlink.h"
#include "firmwaretesting.h"
#include "instanceguard.h"
#include "loggersimprocess.h"
#include "mainwindow.h"
#include "mosquittobroker.h"
#include "recordingprompt.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTextStream>
#include <QUuid>

namespace {

const qint64 imageSize = 102400;
const int runs = 5;

int doneCount(Ui::MainWindow *ui)
{
    return ui->textBrowser->toPlainText().count(QStringLiteral("APP 下载完成"));
}

// Runs the event loop until done() holds or timeoutMs pass.
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The per-block debug lines would only slow the figures down.
    QLoggingCategory::setFilterRules("*.debug=false");
    QTextStream out(stdout);

    QTemporaryDir dir;
    RecordingPrompt prompt;
    ScriptedFileChooser files;
    InstanceGuard guard("bench-firmware-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
    MainWindowServices services;
    services.prompt = &prompt;
    services.fileChooser = &files;
    services.folder = ProgramFolder(dir.path());
    services.instanceGuard = &guard;
    QDir::setCurrent(dir.path());

    const QString imagePath = dir.filePath("app.bin");
    if (!writeImage(imagePath, imageBytes(imageSize)))
        return 1;

    MosquittoBroker broker;
    if (!broker.start()) {
        out << "mosquitto did not start\n";
        return 1;
    }
    QFile config(dir.filePath("config.ini"));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(QStringLiteral("[mqtt]\nhostname=127.0.0.1\nport=%1\nkeepalive=30\n")
                     .arg(broker.port())
                     .toUtf8());
    config.close();

    LoggerSimProcess sim;
    if (!sim.start()) {
        out << "device simulator did not start: " << sim.error() << "\n";
        return 1;
    }
    services.serialPortNames = [&sim] { return QStringList(sim.portName()); };

    MainWindow window(services);
    Ui::MainWindow *ui = window.form();
    ui->filepath->setText(imagePath);

    BrokerController controller(broker.port(), "bench");
    if (!controller.start()) {
        out << "the controller did not connect\n";
        return 1;
    }
    ui->button_MQTT->click();
    ui->devesn->setText("bench");
    ui->pb_Connect->click();
    if (!waitFor([ui] { return ui->textBrowser->toPlainText().contains("subscribed"); }, 20000)) {
        out << "the page did not connect\n";
        return 1;
    }
    out << "APP upload of " << imageSize << " bytes, seconds per run\n";
    out << "  MQTT, loopback broker:";
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        ui->pb_update->click();
        if (!waitFor([ui, run] { return doneCount(ui) == run; }, 120000)) {
            out << " (no completion)\n";
            return 1;
        }
        out << " " << QString::number(clock.elapsed() / 1000.0, 'f', 3);
        out.flush();
    }
    out << "\n";
    ui->pb_Disconnect->click();

    window.linkDialog()->linkParameter(sim.portName() + ",115200,8,1,N");
    ui->button_Serial->click();
    ui->pb_Connect->click();
    if (!window.isDeviceLinkOpen()) {
        out << "the serial link did not open\n";
        return 1;
    }
    const int before = doneCount(ui);
    out << "  serial, socat pty:    ";
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        // Returns when the exchange has ended.
        ui->pb_update->click();
        const double seconds = clock.elapsed() / 1000.0;
        if (doneCount(ui) != before + run) {
            out << " (no completion)\n";
            return 1;
        }
        out << " " << QString::number(seconds, 'f', 3);
        out.flush();
    }
    out << "\n";
    ui->pb_Disconnect->click();
    return 0;
}
