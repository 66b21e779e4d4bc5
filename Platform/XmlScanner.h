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
    // At `openTag` ("<key>") of an element whose content is one plain run closed by `closeTag`
    // ("</key>") at once, as nearly every element of real files is: its text, read past the end
    // tag. Anything else leaves the position alone for the general path.
    // The tags are literals, so that their comparisons compile to a few instructions.
    template <std::size_t OpenSize, std::size_t CloseSize>
    std::optional<QByteArrayView> readPlainElement(const char (&openTag)[OpenSize],
                                                   const char (&closeTag)[CloseSize])
    {
        constexpr std::size_t openLength = OpenSize - 1;
        constexpr std::size_t closeLength = CloseSize - 1;
        if (std::size_t(m_end - m_position) < openLength || std::memcmp(m_position, openTag, openLength) != 0)
            return std::nullopt;
        const char* start = m_position + openLength;
        const char* end = plainTextEnd(start);
        if (std::size_t(m_end - end) < closeLength || std::memcmp(end, closeTag, closeLength) != 0)
            return std::nullopt;
        m_position = end + closeLength;
        return QByteArrayView(start, end - start);
    }

private:
    void skipSpace()
    {
        while (m_position < m_end && isSpace(*m_position))
            ++m_position;
    }
    const char* skipPast(std::string_view terminator, const char* construct);
    // The first byte from `from` on that ends a plain run of text, or the end.
    const char* plainTextEnd(const char* from) const;
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
