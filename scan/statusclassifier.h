#pragma once

#include <QtGlobal>

// Finds, in curl's standard output fed in pieces of any size, a line that starts with
// "HTTP/1", has at least three blank-separated parts and a second part reading 200..399.
// Keeps a few bytes of state, so an endless body costs no memory.
class StatusClassifier
{
public:
    void feed(const char *data, qsizetype size);
    [[nodiscard]] bool succeeded() const { return m_succeeded; }

private:
    enum class State { Prefix, FirstPart, Code, SkipLine };
    enum class Number { LeadingSpace, Sign, Digits, TrailingSpace, Invalid };

    void startLine();
    void feedCode(char c);
    [[nodiscard]] bool codeQualifies() const;

    State m_state = State::Prefix;
    int m_matched = 0;
    Number m_number = Number::LeadingSpace;
    bool m_negative = false;
    qint64 m_value = 0;
    bool m_succeeded = false;
};
