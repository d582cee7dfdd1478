#pragma once
// One text of the program: its Chinese source, read in the user's language.

#include <QChar>
#include <QCoreApplication>
#include <QString>

#include <utility>

namespace texts {

// Every text is translated under this one context (the <context> of the .ts files).
inline constexpr char kContext[] = "Velda";

// The source is marked for lupdate where it is declared (QT_TRANSLATE_NOOP in Texts.h) and
// translated each time the text is read, so a text read after the translator is installed
// speaks the user's language and nothing is fixed at static initialisation. It reads like
// the QString it stands for: it converts to one, takes arg(), joins with + and compares
// with ==.
class Text {
public:
    // Implicit: `inline constexpr Text kName = QT_TRANSLATE_NOOP(...)` declares a text.
    constexpr Text(const char* source)
        : m_source(source)
    {
    }

    QString toString() const
    {
        return QCoreApplication::translate(kContext, m_source);
    }
    operator QString() const
    {
        return toString();
    }
    template <typename... Args> QString arg(Args&&... args) const
    {
        return toString().arg(std::forward<Args>(args)...);
    }
    // The Chinese text as written, whatever the language.
    QString source() const
    {
        return QString::fromUtf8(m_source);
    }

    friend QString operator+(const Text& a, const Text& b)
    {
        return a.toString() + b.toString();
    }
    friend QString operator+(const Text& a, const QString& b)
    {
        return a.toString() + b;
    }
    friend QString operator+(const QString& a, const Text& b)
    {
        return a + b.toString();
    }
    friend QString operator+(const Text& a, QChar b)
    {
        return a.toString() + b;
    }
    friend bool operator==(const Text& a, const QString& b)
    {
        return a.toString() == b;
    }

private:
    const char* m_source;
};

} // namespace texts
