// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <optional>
#include <string_view>

// The XML syntax under the property-list reader: a position in a UTF-8 document and the
// well-formedness rules of what it steps over (names, tags and attributes, references, comments,
// processing instructions, CDATA sections, the XML declaration and a DOCTYPE). Every fault throws
// PropertyListParseFailure with the line and column where it was found.
class XmlScanner {
public:
    struct StartTag {
        QByteArrayView name;
        bool isEmpty = false;
    };

    XmlScanner(const char* begin, const char* end);

    static bool isSpace(char character)
    {
        return character == ' ' || character == '\t' || character == '\n' || character == '\r';
    }
    // Without XML white space at either end.
    static QByteArrayView trimmed(QByteArrayView text);
    // A digit's value in the base (10 or 16), or -1.
    static int digitValue(char character, int base);

    [[noreturn]] void fail(const QString& problem) const;
    [[noreturn]] void fail(const char* problem) const;
    [[noreturn]] void failAt(const char* position, const QString& problem);
    const char* position() const { return m_position; }
    bool atEnd() const { return m_position >= m_end; }
    bool startsWith(std::string_view text) const
    {
        return std::size_t(m_end - m_position) >= text.size() &&
               std::memcmp(m_position, text.data(), text.size()) == 0;
    }
    bool atKeyTag() const;

    // Every byte of the document: valid UTF-8, and only characters that XML 1.0 allows.
    void checkCharacters();
    // At the start: the encoding that the XML declaration names, or none without a declaration
    // or encoding.
    std::optional<QByteArray> readDeclaration();
    // Up to the root element: white space, comments, processing instructions and one DOCTYPE.
    void readProlog();
    // Skips white space, comments and processing instructions between elements; stops at any
    // other markup or the end of the document, and fails at text.
    void skipMarkupBetweenElements();
    // At '<': the element's name and attributes, up to and including '>' or "/>". Attributes are
    // checked for well-formedness and then ignored, as macOS ignores plist's version.
    StartTag readStartTag();
    void readEndTag(QByteArrayView name);
    // The content of a text-only element, up to and including its end tag, as UTF-8. Most texts
    // are one plain run and come back as a view into the document; others are assembled in a
    // buffer that the next call reuses.
    QByteArrayView readText(QByteArrayView name);

private:
    void skipSpace()
    {
        while (m_position < m_end && isSpace(*m_position))
            ++m_position;
    }
    const char* skipPast(std::string_view terminator, const char* construct);
    QByteArrayView readName();
    void skipComment();
    void skipProcessingInstruction();
    void skipDoctype();
    void appendReference(QByteArray& out);

    const char* m_begin;
    const char* m_position;
    const char* m_end;
    QByteArray m_scratch;
};
