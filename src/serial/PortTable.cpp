#include "serial/PortTable.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace elvaro::serial {

namespace {

bool isUsbAdapter(const QString &name)
{
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

// "COM7" -> 7 where the platform names its ports that way; 0 otherwise.
int comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]{1,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

bool inRange(int port)
{
    return port >= PortTable::kFirstPort && port <= PortTable::kLastPort;
}

// True when two device names compare in natural order (ttyS2 before ttyS10).
bool naturalLess(const QString &left, const QString &right)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < left.size() && j < right.size()) {
        if (left[i].isDigit() && right[j].isDigit()) {
            qsizetype endLeft = i;
            while (endLeft < left.size() && left[endLeft].isDigit())
                ++endLeft;
            qsizetype endRight = j;
            while (endRight < right.size() && right[endRight].isDigit())
                ++endRight;
            // Compare the digit runs as numbers of any length: strip leading zeros, then the
            // longer run is larger, then digit by digit.
            QStringView runLeft = QStringView(left).mid(i, endLeft - i);
            QStringView runRight = QStringView(right).mid(j, endRight - j);
            while (runLeft.size() > 1 && runLeft.front() == u'0')
                runLeft = runLeft.mid(1);
            while (runRight.size() > 1 && runRight.front() == u'0')
                runRight = runRight.mid(1);
            if (runLeft.size() != runRight.size())
                return runLeft.size() < runRight.size();
            if (const int order = runLeft.compare(runRight); order != 0)
                return order < 0;
            i = endLeft;
            j = endRight;
            continue;
        }
        if (left[i] != right[j])
            return left[i] < right[j];
        ++i;
        ++j;
    }
    return (left.size() - i) < (right.size() - j);
}

} // namespace

PortTable PortTable::fromSystem(const QList<PortPin> &pins)
{
    QList<SystemPort> systemPorts;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        systemPorts.append({info.portName(), info.systemLocation(), info.description()});
    return build(pins, systemPorts);
}

PortTable PortTable::build(const QList<PortPin> &pins, const QList<SystemPort> &systemPorts)
{
    PortTable table;
    QStringList taken;
    for (const PortPin &pin : pins) {
        if (!inRange(pin.port))
            continue;
        auto &entry = table.m_entries[pin.port - kFirstPort];
        if (entry)
            taken.removeOne(entry->device);
        entry = Entry{pin.device, QString(), pin.label, true};
        taken.append(pin.device);
    }

    // A device already pinned keeps its pinned number only.
    QList<SystemPort> remaining;
    for (const SystemPort &port : systemPorts) {
        if (!taken.contains(port.location) && !taken.contains(port.name))
            remaining.append(port);
    }

    // Where the platform numbers its ports itself (COMn), port n is COMn.
    QList<SystemPort> unnumbered;
    for (const SystemPort &port : std::as_const(remaining)) {
        const int number = comNumber(port.name);
        auto *entry = inRange(number) ? &table.m_entries[number - kFirstPort] : nullptr;
        if (entry && !*entry)
            *entry = Entry{port.location, port.description, QString(), false};
        else if (number == 0)
            unnumbered.append(port);
    }

    std::stable_sort(unnumbered.begin(), unnumbered.end(), [](const SystemPort &left, const SystemPort &right) {
        const bool leftUsb = isUsbAdapter(left.name);
        if (leftUsb != isUsbAdapter(right.name))
            return leftUsb;
        return naturalLess(left.name, right.name);
    });

    auto next = unnumbered.cbegin();
    for (auto &entry : table.m_entries) {
        if (next == unnumbered.cend())
            break;
        if (!entry) {
            entry = Entry{next->location, next->description, QString(), false};
            ++next;
        }
    }
    return table;
}

std::optional<QString> PortTable::device(int port) const
{
    if (!inRange(port) || !m_entries[port - kFirstPort])
        return std::nullopt;
    return m_entries[port - kFirstPort]->device;
}

QString PortTable::describe(int port) const
{
    if (!inRange(port) || !m_entries[port - kFirstPort])
        return QString();
    const Entry &entry = *m_entries[port - kFirstPort];
    if (!entry.label.isEmpty())
        return entry.label;
    QString name = entry.device;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(int(sizeof("/dev/")) - 1);
    if (entry.description.isEmpty() || entry.description == QLatin1String("n/a"))
        return name;
    return QStringLiteral("%1 (%2)").arg(name, entry.description);
}

QList<int> PortTable::ports() const
{
    QList<int> result;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        if (m_entries[port - kFirstPort])
            result.append(port);
    }
    return result;
}

QList<int> PortTable::openablePorts() const
{
    QList<int> result;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const auto &entry = m_entries[port - kFirstPort];
        if (entry && canOpenPort(entry->device))
            result.append(port);
    }
    return result;
}

QList<PortTable::Offer> PortTable::offers() const
{
    QList<Offer> result;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const auto &entry = m_entries[port - kFirstPort];
        if (!entry)
            continue;
        PortProbe probe = PortProbe::of(entry->device);
        if (probe.openable || probe.exists || entry->pinned)
            result.append({port, std::move(probe)});
    }
    return result;
}

bool canOpenPort(const QString &device)
{
    return PortProbe::of(device).openable;
}

} // namespace elvaro::serial
