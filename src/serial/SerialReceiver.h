#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// Receives a report from a serial device with the instrument's line settings (serial/LineSettings.h)
// and hands it over as report text: every byte through the instrument's byte filter
// (report/ByteFilter.h), carriage returns and line feeds kept.
//
// Nothing here blocks. Received bytes wait inside the receiver until readAvailable() takes them;
// readyRead() says that some arrived, failed() that the device stopped working. Both are emitted
// from the event loop, so whoever reads has to give the event loop its turn: the download does so
// in receiveUntilStopped() (serial/ReceiveLoop.h).
//
// A carriage return at the end of one burst and a line feed at the start of the next make one line
// end: a carriage return that ends what readAvailable() returns is held back until the next byte
// arrives or finish() is called, so that a CR and its LF always reach the caller together.
//
// At the first error the port is closed and failed() is emitted once; whatever was received before
// stays available to readAvailable() and finish().
namespace elvaro::serial {

class SerialReceiver : public QObject {
    Q_OBJECT

public:
    explicit SerialReceiver(QObject *parent = nullptr);
    ~SerialReceiver() override;

    // Opens the device (a path such as /dev/ttyUSB0, or a name under /dev such as ttyUSB0) with
    // the line settings above. On failure returns false and sets errorString() to a message
    // naming the device and the reason.
    // Whatever a previous receive still held is dropped: take it with finish() first.
    bool open(const QString &device);

    bool isOpen() const;

    // True when received bytes wait to be read.
    bool hasWaiting() const;

    // Takes every byte that waits, as filtered text. Never blocks; empty when nothing waits.
    QString readAvailable();

    // Closes the port and returns what is still held: bytes not read yet and a held-back carriage
    // return. After it the receiver can be opened again.
    QString finish();

    // The bytes taken from the device since open(), by readAvailable() and finish().
    qint64 bytesReceived() const { return m_bytesReceived; }

    // True once the device failed while open; the port is closed then.
    bool hasFailed() const { return m_failed; }
    QString errorString() const { return m_errorString; }

signals:
    void readyRead();
    void failed(const QString &message);

private:
    void handleError(QSerialPort::SerialPortError error);
    QString takeFiltered(const QByteArray &bytes, bool holdCarriageReturn);

    QSerialPort m_port;
    QString m_device;
    QByteArray m_salvaged;
    bool m_heldCarriageReturn = false;
    qint64 m_bytesReceived = 0;
    bool m_receiving = false;
    bool m_failed = false;
    QString m_errorString;
};

} // namespace elvaro::serial
