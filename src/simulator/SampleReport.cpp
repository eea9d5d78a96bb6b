#include "simulator/SampleReport.h"

#include <string_view>

#include <array>
#include <utility>

namespace elvaro::simulator {

namespace {

// Drawn here with the Unicode box characters so that the columns can be seen to line up.
constexpr char16_t kDrawing[] = u"ELVARO Q3 CONTROLLER              REPORT N. 0107\n"
                                u"Date 06/12/2026   Time 09:15   Line 2\n"
                                u"─────────────────────────────────────────────────\n"
                                u"┌──────────────┐ ┌────────────┐ ┌──────────────┐\n"
                                u"│ Sensor       │ │ Setpoint   │ │ Measured     │\n"
                                u"│ T1 inlet     │ │ +21.5      │ │ +21.3        │\n"
                                u"│ T2 outlet    │ │ +18.0      │ │ -0.4         │\n"
                                u"│ T3 return    │ │ +40.0      │ │ +39.8        │\n"
                                u"└──────────────┘ └────────────┘ └──────────────┘\n"
                                u"─────────────────────────────────────────────────\n"
                                u"┌───────────────────────────────────────────────┐\n"
                                u"│ Cycle summary                                 │\n"
                                u"│    ┌──────────────────────────┐               │\n"
                                u"│    │ Pressure     +1.25 bar   │               │\n"
                                u"│    │ Flow         -3.0 l/min  │               │\n"
                                u"│    └──────────────────────────┘               │\n"
                                u"│ Cycles  12   Faults  0                        │\n"
                                u"└───────────────────────────────────────────────┘\n"
                                u"Result  PASSED      Operator  ________\n";

// The code page 437 byte of each box character used above.
constexpr std::array<std::pair<char16_t, unsigned char>, 6> kCodePage437{{
    {u'─', 196},
    {u'│', 179},
    {u'┌', 218},
    {u'┐', 191},
    {u'└', 192},
    {u'┘', 217},
}};

char toCodePage437(char16_t character)
{
    for (const auto &[unicode, byte] : kCodePage437) {
        if (unicode == character)
            return static_cast<char>(byte);
    }
    return static_cast<char>(character);
}

} // namespace

QByteArray sampleReport()
{
    QByteArray bytes;
    for (const char16_t character : std::u16string_view(kDrawing)) {
        if (character == u'\n')
            bytes.append("\r\n");
        else
            bytes.append(toCodePage437(character));
    }
    return bytes;
}

} // namespace elvaro::simulator
