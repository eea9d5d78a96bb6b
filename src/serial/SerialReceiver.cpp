#include "serial/SerialReceiver.h"

#include "report/ByteFilter.h"
#include "serial/LineSettings.h"
#include "serial/PortFailure.h"

#include <QFileInfo>

#include <string>
#include <string_view>
#include <utility>

namespace elvaro::serial {

SerialReceiver::SerialReceiver(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialReceiver::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialReceiver::handleError);
}

SerialReceiver::~SerialReceiver()
{
    m_receiving = false;
    m_port.close();
}

bool SerialReceiver::open(const QString &device)
{
    finish();
    // A bare name such as ttyUSB0 stands for the device of that name under /dev, as for Qt.
    m_device = device.contains(u'/') ? device : QStringLiteral("/dev/") + device;
    m_salvaged.clear();
    m_heldCarriageReturn = false;
    m_bytesReceived = 0;
    m_failed = false;
    m_errorString.clear();

    m_port.setPortName(m_device);
    m_port.setBaudRate(kLineBaudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadOnly)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const OpenFailure failure = diagnoseOpenFailure(m_device, error);
        m_errorString = openFailureMessage(m_device, failure, m_port.errorString());
        return false;
    }
    m_receiving = true;
    return true;
}

bool SerialReceiver::isOpen() const
{
    return m_receiving;
}

bool SerialReceiver::hasWaiting() const
{
    return !m_salvaged.isEmpty() || (m_receiving && m_port.bytesAvailable() > 0);
}

QString SerialReceiver::readAvailable()
{
    QByteArray bytes = std::exchange(m_salvaged, QByteArray());
    if (m_receiving)
        bytes += m_port.readAll();
    return takeFiltered(bytes, true);
}

QString SerialReceiver::finish()
{
    QByteArray bytes = std::exchange(m_salvaged, QByteArray());
    if (m_receiving) {
        bytes += m_port.readAll();
        m_receiving = false;
        // Bytes that arrived after the last read are not taken. A pseudo-terminal would keep them
        // for whoever opens the device next; they belong to this receive, so they go now.
        m_port.clear(QSerialPort::Input);
        m_port.close();
    }
    return takeFiltered(bytes, false);
}

QString SerialReceiver::takeFiltered(const QByteArray &bytes, bool holdCarriageReturn)
{
    m_bytesReceived += bytes.size();
    std::string text;
    text.reserve(static_cast<std::size_t>(bytes.size()) + 1);
    if (m_heldCarriageReturn && (!bytes.isEmpty() || !holdCarriageReturn)) {
        text.push_back('\r');
        m_heldCarriageReturn = false;
    }
    report::appendFiltered(text, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (holdCarriageReturn && !text.empty() && text.back() == '\r') {
        text.pop_back();
        m_heldCarriageReturn = true;
    }
    // The filter writes every byte's character whole, so each piece is UTF-8 of its own.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SerialReceiver::handleError(QSerialPort::SerialPortError error)
{
    // Qt also reports success, and keeps reporting a vanished device at full speed while the port
    // stays open: only the first real error of an open port counts.
    if (error == QSerialPort::NoError || !m_receiving || m_failed)
        return;
    m_failed = true;
    m_receiving = false;
    m_salvaged += m_port.readAll();
    const bool deviceGone = error == QSerialPort::ResourceError || !QFileInfo::exists(m_device);
    m_errorString = readFailureMessage(m_device, deviceGone, m_port.errorString());
    m_port.close();
    emit failed(m_errorString);
}

} // namespace elvaro::serial
