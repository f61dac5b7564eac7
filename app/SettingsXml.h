#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <juce_core/juce_core.h>

/** The settings file's text as XML: which texts the framework's reader may be given, the reading,
    and the writing of the framework's properties format with no more escapes than a value needs.

    The reader recurses once per level of nesting, about half a kilobyte a level (more in the
    sanitised builds), and the program's own thread may have no more stack than `ulimit -s` gives
    it. So the reading, and every walk of a tree that may be deep, runs through OnLargeStack. */
class SettingsXml
{
public:
    /** Whether the reader may be given the text: it has no document type (whose entities the
        reader expands without bound, opening the files they name), every '&' in it begins a
        reference that the reader reads as the character it stands for (any other it reads up to
        the next ';' anywhere further on, markup and all, and gives back as text), and it holds no
        more than SettingsFile::mostMarkup '<' (each element begins at one, so this bounds the
        reader's recursion), with the '&' among them when countEntities (each entity in a value
        costs the reader a copy of the value read so far). */
    static bool IsSafeForTheReader (const juce::String& text, bool countEntities);

    /** The text's root element when it is safe for the reader and parses; otherwise none. Parsed
        from text, the document has no input source through which to open another file. To be
        called through OnLargeStack. */
    static std::unique_ptr<juce::XmlElement> Parse (const juce::String& text, bool countEntities);

    /** Runs the job on a thread whose stack the deepest nesting that the bound lets through fits
        in many times over, and waits for it. Should no such thread be had (the system out of
        threads or memory), the job runs on the caller's thread. */
    static void OnLargeStack (const std::function<void()>& job);

    /** The element written on one line without a header: how a value that is itself XML is held. */
    static juce::String OneLine (const juce::XmlElement& element);

    /** How deep the element nests: 1 for one without child elements. To be called through
        OnLargeStack. */
    static int DepthOf (const juce::XmlElement& element);

    /** The framework's properties document of the values whose keys pass the filter, in their
        order: one VALUE element per key, with the key's name and the value as its text, or as its
        child element when the value is exactly that element's one-line text. Only what must be is
        escaped ('&', '<' and the quote, chosen for each value to need the fewest), so a value
        costs no more markup or bytes than it did in a file that was read. To be called through
        OnLargeStack. */
    static juce::String Write (const juce::StringPairArray& values,
                               const std::function<bool (const juce::String&)>& keep);

    /** The stack of OnLargeStack's thread. Reading the deepest nesting the bound lets through takes
        about 0.5 MB of it in a debug build and 1.3 MB with the address sanitizer. */
    static constexpr size_t largeStackSize = 8 * 1024 * 1024;
};
