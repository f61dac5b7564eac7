#include "app/SettingsXml.h"

#include <cstring>

#include <pthread.h>

#include "app/SettingsFile.h"

namespace
{
    // The characters that XML allows, which a numeric reference may name.
    bool isXmlCharacter (juce::int64 c) noexcept
    {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
                || (c >= 0x10000 && c <= 0x10FFFF);
    }

    /** Whether the '&' at p begins one of XML's five named references or a character's number in
        decimal or hexadecimal, with no more digits than the reader takes. */
    bool beginsReference (juce::String::CharPointerType p)
    {
        ++p;

        for (const char* name : { "amp;", "lt;", "gt;", "quot;", "apos;" })
            if (p.compareUpTo (juce::CharPointer_ASCII (name), (int) std::strlen (name)) == 0)
                return true;

        if (*p != '#')
            return false;

        const bool hex = *++p == 'x';
        const int mostDigits = hex ? 8 : 12;
        juce::int64 code = 0;
        int digits = 0;

        for (p += hex ? 1 : 0; *p != ';'; ++p)
        {
            const auto c = *p;
            const int digit = hex ? juce::CharacterFunctions::getHexDigitValue (c)
                                  : c >= '0' && c <= '9' ? (int) (c - '0') : -1;

            if (digit < 0 || ++digits > mostDigits)
                return false;

            code = code * (hex ? 16 : 10) + digit;
        }

        return digits > 0 && isXmlCharacter (code);
    }

    /** The text with '&', '<' and the quote (none for an element's text) escaped. The reader takes
        everything else in a quoted value as it stands; in an element's text it reads a carriage
        return as a line end, so that is escaped there too. */
    void writeEscaped (juce::MemoryOutputStream& out, const juce::String& text, juce::juce_wchar quote)
    {
        for (auto p = text.getCharPointer(); ! p.isEmpty();)
        {
            const auto c = p.getAndAdvance();

            if (c == '&')                        out << "&amp;";
            else if (c == '<')                   out << "&lt;";
            else if (c == quote)                 out << (c == '"' ? "&quot;" : "&apos;");
            else if (c == '\r' && quote == 0)    out << "&#13;";
            else                                 out.appendUTF8Char (c);
        }
    }

    void writeQuoted (juce::MemoryOutputStream& out, const juce::String& value)
    {
        int doubleQuotes = 0, singleQuotes = 0;

        for (auto p = value.getCharPointer(); ! p.isEmpty(); ++p)
        {
            doubleQuotes += *p == '"' ? 1 : 0;
            singleQuotes += *p == '\'' ? 1 : 0;
        }

        const char quote = doubleQuotes > singleQuotes ? '\'' : '"';
        out << quote;
        writeEscaped (out, value, (juce::juce_wchar) quote);
        out << quote;
    }

    void writeElement (juce::MemoryOutputStream& out, const juce::XmlElement& element)
    {
        if (element.isTextElement())
        {
            writeEscaped (out, element.getText(), 0);
            return;
        }

        out << "<" << element.getTagName();

        for (int i = 0; i < element.getNumAttributes(); ++i)
        {
            out << " " << element.getAttributeName (i) << "=";
            writeQuoted (out, element.getAttributeValue (i));
        }

        if (element.getFirstChildElement() == nullptr)
        {
            out << "/>";
            return;
        }

        out << ">";

        for (auto* child = element.getFirstChildElement(); child != nullptr; child = child->getNextElement())
            writeElement (out, *child);

        out << "</" << element.getTagName() << ">";
    }

    /** The value written as the child element whose one-line text it is, or none when it is
        anything more or less than one element (text after it, say) or would not read back as
        itself: such a value is written as text, so that it reads back exactly as it was. Entities
        are not counted: the value is at most as large as a file that was read, whose count of
        markup the framework's escaping may have multiplied. */
    std::optional<juce::String> asElement (const juce::String& value)
    {
        const auto element = SettingsXml::Parse (value, false);

        if (element == nullptr || SettingsXml::OneLine (*element) != value)
            return {};

        juce::MemoryOutputStream out;
        writeElement (out, *element);
        auto written = out.toString();
        const auto back = SettingsXml::Parse (written, false);

        if (back == nullptr || SettingsXml::OneLine (*back) != value)
            return {};

        return written;
    }
}

//==============================================================================
bool SettingsXml::IsSafeForTheReader (const juce::String& text, bool countEntities)
{
    if (text.contains ("<!DOCTYPE"))
        return false;

    int marks = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;

        if (c == '&' && ! beginsReference (p))
            return false;

        if ((c == '<' || (c == '&' && countEntities)) && ++marks > SettingsFile::mostMarkup)
            return false;
    }

    return true;
}

std::unique_ptr<juce::XmlElement> SettingsXml::Parse (const juce::String& text, bool countEntities)
{
    if (! IsSafeForTheReader (text, countEntities))
        return {};

    return juce::XmlDocument (text).getDocumentElement();
}

void SettingsXml::OnLargeStack (const std::function<void()>& job)
{
    // The system's own thread, joined as soon as it ends (the framework's threads are waited for
    // by polling), with the stack size set here rather than taken from `ulimit -s`.
    pthread_attr_t attributes;
    pthread_t thread;
    const auto run = [] (void* j) -> void* { (*static_cast<const std::function<void()>*> (j))(); return nullptr; };

    bool started = false;

    if (pthread_attr_init (&attributes) == 0)
    {
        started = pthread_attr_setstacksize (&attributes, largeStackSize) == 0
                   && pthread_create (&thread, &attributes, run, const_cast<std::function<void()>*> (&job)) == 0;
        pthread_attr_destroy (&attributes);
    }

    if (started)
        pthread_join (thread, nullptr);
    else
        job();
}

juce::String SettingsXml::OneLine (const juce::XmlElement& element)
{
    return element.toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
}

int SettingsXml::DepthOf (const juce::XmlElement& element)
{
    int deepest = 0;

    for (auto* child = element.getFirstChildElement(); child != nullptr; child = child->getNextElement())
        deepest = std::max (deepest, DepthOf (*child));

    return deepest + 1;
}

juce::String SettingsXml::Write (const juce::StringPairArray& values,
                                 const std::function<bool (const juce::String&)>& keep)
{
    juce::MemoryOutputStream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<PROPERTIES>\r\n";

    for (int i = 0; i < values.size(); ++i)
    {
        const auto& key = values.getAllKeys()[i];
        const auto& value = values.getAllValues()[i];

        if (! keep (key))
            continue;

        out << "  <VALUE name=";
        writeQuoted (out, key);

        if (const auto child = asElement (value))
        {
            out << ">\r\n    " << *child << "\r\n  </VALUE>\r\n";
        }
        else
        {
            out << " val=";
            writeQuoted (out, value);
            out << "/>\r\n";
        }
    }

    out << "</PROPERTIES>\r\n";
    return out.toString();
}
