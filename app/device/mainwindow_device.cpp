// The device page's part of the main window: the serial link of the data-logger.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QSerialPort>

namespace {
// Large enough for a whole data-logger read-off without losing bytes.
const qint64 deviceReadBufferBytes = 64 * 1024 * 1024;
} // namespace

void MainWindow::initDeviceLink()
{
    m_serialPort = new QSerialPort(this);
    m_serialPort->setReadBufferSize(deviceReadBufferBytes);
}

void MainWindow::releaseDeviceLink()
{
    if (!m_serialPort)
        return;
    m_serialPort->close();
    m_serialPort->deleteLater();
    m_serialPort = nullptr;
    m_deviceLinkOpen = false;
}
