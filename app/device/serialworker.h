#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSerialPort>
#include <QString>

// A serial port of its own behind a mutex: opens from a link string, writes, closes, and reports
// what it received, opened, closed and failed through signals. Nothing in the program creates
// it yet.
//
// The worker never waits on its own mutex: the port's errors and its readyRead reach the worker
// queued (QSerialPort reports an open failure from inside open(), and bytes that come in while a
// write waits from inside that wait, both with the mutex held), and every signal of the worker is
// emitted after the mutex is released, so a receiver connected directly may call writeData or
// closeSerialPort from it. A resource error, or a read error with nothing read (the line has
// gone away), closes the port.
class SerialWorker : public QObject
{
    Q_OBJECT

public:
    // Results of openSerialPort.
    enum OpenResult { Opened = 0, BadParameters = 1, OpenFailed = 2, NoSerialLink = 3 };

    explicit SerialWorker(QObject *parent = nullptr);
    ~SerialWorker() override;

    // Read-only view for checks; the worker alone configures and opens it.
    const QSerialPort *port() const { return m_port; }

signals:
    void dataReceived(QByteArray data);
    void errorOccurred(QString errorString);
    void portOpened();
    void portClosed();

public slots:
    int openSerialPort(QString linkpar);
    void closeSerialPort();
    void writeData(QByteArray data);
    void processData();
    void handleReadyRead();
    void handleError(QSerialPort::SerialPortError error);

private:
    int openLocked(const QString &linkpar, QString *failure);

    QSerialPort *m_port;
    QMutex m_mutex;
    QByteArray m_buffer;
};
