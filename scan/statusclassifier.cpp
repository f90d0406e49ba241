#include "statusclassifier.h"

namespace {

constexpr char statusPrefix[] = "HTTP/1";
constexpr int statusPrefixLength = 6;
constexpr qint64 valueCap = 1000000; // anything larger fails the range test all the same

bool isSpace(char c)
{
    return c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

void StatusClassifier::startLine()
{
    m_state = State::Prefix;
    m_matched = 0;
}

void StatusClassifier::feed(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            startLine();
            continue;
        }
        switch (m_state) {
        case State::Prefix:
            if (c == statusPrefix[m_matched]) {
                if (++m_matched == statusPrefixLength)
                    m_state = State::FirstPart;
            } else {
                m_state = State::SkipLine;
            }
            break;
        case State::FirstPart:
            if (c == ' ') {
                m_state = State::Code;
                m_number = Number::LeadingSpace;
                m_negative = false;
                m_value = 0;
            }
            break;
        case State::Code:
            if (c == ' ') {
                // A blank after the code means the line has a third part.
                if (codeQualifies())
                    m_succeeded = true;
                m_state = State::SkipLine;
            } else {
                feedCode(c);
            }
            break;
        case State::SkipLine:
            break;
        }
    }
}

// Reads the code as a decimal integer the way QString::toInt does: blanks around it,
// an optional sign, digits; anything else reads as 0.
void StatusClassifier::feedCode(char c)
{
    const bool digit = c >= '0' && c <= '9';
    switch (m_number) {
    case Number::LeadingSpace:
        if (isSpace(c))
            return;
        if (c == '+' || c == '-') {
            m_negative = c == '-';
            m_number = Number::Sign;
            return;
        }
        m_number = Number::Sign;
        Q_FALLTHROUGH();
    case Number::Sign:
    case Number::Digits:
        if (digit) {
            m_value = qMin(m_value * 10 + (c - '0'), valueCap);
            m_number = Number::Digits;
        } else if (m_number == Number::Digits && isSpace(c)) {
            m_number = Number::TrailingSpace;
        } else {
            m_number = Number::Invalid;
        }
        return;
    case Number::TrailingSpace:
        if (!isSpace(c))
            m_number = Number::Invalid;
        return;
    case Number::Invalid:
        return;
    }
}

bool StatusClassifier::codeQualifies() const
{
    if (m_number != Number::Digits && m_number != Number::TrailingSpace)
        return false;
    const qint64 code = m_negative ? -m_value : m_value;
    return code >= 200 && code <= 399;
}
