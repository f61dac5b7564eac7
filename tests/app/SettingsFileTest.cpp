#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <vector>

#include <pthread.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "tests/app/AppTestSupport.h"
#include "app/SettingsFile.h"

namespace
{
    using Settings = AppTest;
    namespace fs = std::filesystem;

    // The text n times over.
    std::string repeated (const std::string& text, int n)
    {
        std::string all;
        while (n-- > 0)
            all += text;
        return all;
    }

    const auto tableOrder = juce::StringArray::fromTokens (
        "tempoMode metronomeMode tempo subdivisor goodMetronome noChordMetronome goodNoMetronome "
        "noChordNoMetronome booVolume clickVolume filter_midi_chanel midi_chanel filter_midi_range "
        "highest_note lowest_note audioDeviceState", false);

    // The engine's fifteen saved values in the file's order; given new values, it sets them too.
    std::vector<double> values (KeysteadProcessor& e, const std::vector<double>& newValues = {})
    {
        std::vector<double> old;
        const auto one = [&] (auto& f)
        {
            old.push_back (f.load());
            if (! newValues.empty())
                f = decltype (f.load()) (newValues[old.size() - 1]);
        };
        std::apply ([&] (auto&... fields) { (one (fields), ...); },
                    std::tie (e.tempoMode, e.metronomeMode, e.tempo, e.subdivisor, e.goodMetronome, e.noChordMetronome,
                              e.goodNoMetronome, e.noChordNoMetronome, e.booVolume, e.clickVolume, e.filterMidiChannel,
                              e.midiChannel, e.filterMidiRange, e.highestNote, e.lowestNote));
        return old;
    }

    std::vector<double> defaultValues() { return values (*std::make_unique<KeysteadProcessor>()); }

    // A good file with a tempo of 200, padded by a key of its own to the given size.
    std::string tempo200 (size_t size = 0)
    {
        const auto shortest = fileWith ({ { "tempo", "200" }, { "padding", "" } }).size();
        const auto padding = std::string (std::max (size, shortest) - shortest, 'x');
        return fileWith ({ { "tempo", "200" }, { "padding", padding } });
    }

    void put (const std::string& path, const std::string& bytes, int age = 0)
    {
        std::ofstream (path, std::ios::binary) << bytes;
        const utimbuf times { std::time (nullptr) - age, std::time (nullptr) - age };
        utime (path.c_str(), &times);
    }

    // Every path under a folder with its type, mode, link target and contents, one a line.
    std::string snapshot (const std::string& folder)
    {
        std::string all;
        for (const auto& entry : fs::recursive_directory_iterator (folder))
        {
            const auto status = entry.symlink_status();
            all += entry.path().string() + " " + std::to_string ((int) status.type()) + " "
                 + std::to_string ((int) status.permissions()) + " "
                 + (fs::is_symlink (status) ? fs::read_symlink (entry).string()
                                            : fs::is_regular_file (status) ? contentsOf (entry.path().string()) : "")
                 + "\n";
        }
        return all;
    }

    auto keysIn (const juce::File& f) { return juce::PropertiesFile (f, {}).getAllProperties().getAllKeys(); }
}

TEST_F (Settings, BadFilesGiveDefaultsOrClampedValuesAndADamagedOneIsKeptAsideWhenTheQuitWritesGoodValues)
{
    const auto defaults = defaultValues();
    auto withTempo200 = defaults;
    withTempo200[2] = 200;

    // Each level is a recursion of the framework's parser: 40,000 of them overflow its stack. Quotes,
    // comments and entities must not hide them.
    const auto deepElements = repeated ("<a>", 50000);

    const struct { const char* name; std::string bytes; std::vector<double> expected; bool damaged; } rows[] = {
        { "not XML", "this is not XML at all", defaults, true },
        { "deep", "<PROPERTIES><VALUE name=\"tempo\" val=\"200\">" + deepElements + "</VALUE></PROPERTIES>",
          defaults, true },
        // The parser would read the named file (here without end) to resolve the entity.
        { "document type", "<?xml version=\"1.0\"?>\n<!DOCTYPE PROPERTIES SYSTEM \"/dev/zero\">\n"
                           "<PROPERTIES><VALUE name=\"tempo\" val=\"&x;\"/></PROPERTIES>", defaults, true },
        // As deep as the bound on markup lets a file be, and written back as it was read.
        { "deep within bound", "<PROPERTIES><VALUE name=\"tempo\" val=\"200\"/><VALUE name=\"x\">"
                                   + repeated ("<a>", 490) + repeated ("</a>", 490) + "</VALUE></PROPERTIES>",
          withTempo200, false },
        { "stray quote", "<PROPERTIES><a \"/>" + deepElements, defaults, true },
        { "quoted comment", "<PROPERTIES><VALUE <!-- \" --> name=\"x\">" + deepElements, defaults, true },
        { "entity", "<PROPERTIES>" + repeated ("<b>&</b>;", 50000), defaults, true },
        { "entity comment", "<PROPERTIES>&<!--;" + repeated ("<b>", 50000) + "-->", defaults, true },
        // Each entity costs the parser a copy of the value before it.
        { "entities", fileWith ({ { "tempo", "200" }, { "x", repeated ("&lt;a&gt;", 50000) } }), defaults, true },
        { "truncated", "<?xml version=\"1.0\"?>\n<PROPERTIES>\n<VALUE name=\"tempo\" val=\"200\"/>\n<VAL",
          defaults, true },
        { "other root", "<OTHER><VALUE name=\"tempo\" val=\"200\"/></OTHER>", defaults, true },
        { "binary", "\x01\x02\x03\xff\xfe binary junk", defaults, true },
        // The framework slows down with the square of the keys in a file; one this big is not read.
        { "too large", tempo200 (SettingsFile::largestReadableSize + 1), defaults, true },
        // Room for the keys that the quit adds.
        { "large", tempo200 (SettingsFile::largestReadableSize - 2000), withTempo200, false },
        { "other case", fileWith ({ { "Tempo", "200" }, { "SUBDIVISOR", "3" }, { "Midi_Chanel", "9" },
                                    { "x", "&lt;a/&gt; and text after" } }),
          defaults, false },
        { "words", fileWith ({
              { "tempoMode", "yes" }, { "metronomeMode", "on" }, { "tempo", "fast" }, { "subdivisor", "" },
              { "goodMetronome", "nan" }, { "noChordMetronome", "inf" }, { "goodNoMetronome", "x50" },
              { "noChordNoMetronome", "wide" }, { "booVolume", "loud" }, { "clickVolume", "1e999" },
              { "filter_midi_chanel", "true" }, { "midi_chanel", "ten" }, { "filter_midi_range", "no" },
              { "highest_note", "-" }, { "lowest_note", "C3" }, { "audioDeviceState", "&lt;DEVICESETUP broken" } }),
          defaults, false },
        { "out of range", fileWith ({ { "tempoMode", "90" }, { "metronomeMode", "-5" },
              { "tempo", "99999999999999999999999" }, { "subdivisor", "9" }, { "goodMetronome", "-20" },
              { "noChordMetronome", "400" }, { "goodNoMetronome", "-3" }, { "noChordNoMetronome", "900" },
              { "booVolume", "2.5" }, { "clickVolume", "-1" }, { "midi_chanel", "0" },
              { "highest_note", "300" }, { "lowest_note", "-5" } }),
          { 1, 1, 250, 4, 4.5f, 89.9f, 29, 176, 1, 0, 0, 1, 0, 127, 0 }, false },
        // The limits keep a gap below the bad one; an upside-down note range is taken in order.
        { "crossed", fileWith ({
              { "tempo", "5" }, { "subdivisor", "-2" }, { "goodMetronome", "88" }, { "noChordMetronome", "50" },
              { "goodNoMetronome", "120" }, { "noChordNoMetronome", "20" }, { "midi_chanel", "17" },
              { "highest_note", "40" }, { "lowest_note", "90" } }),
          { 0, 0, 30, 1, 45.5f, 50, 29, 58, 1, 1, 0, 16, 0, 90, 40 }, false },

        // The reader would take an '&' that begins no reference up to the next ';' anywhere, and
        // give back the name of an entity it does not know as text: the keys between would be lost.
        { "bare ampersand", fileWith ({ { "comment", "scales & arpeggios" }, { "tempo", "200" },
                                        { "other", "Tom &amp; Jerry" } }), defaults, true },
        { "unknown entity", fileWith ({ { "tempo", "200" }, { "x", "caf&eacute;" } }), defaults, true },
        { "every reference", fileWith ({ { "tempo", "200" },
                                         { "x", "&amp;&lt;&gt;&quot;&apos;&#233;&#xE9;&#x1F3B9;" } }),
          withTempo200, false },
        // Written back with no more escapes than they were read with, however the framework spells them.
        { "plain >", fileWith ({ { "tempo", "200" }, { "x", std::string (2000, '>') } }), withTempo200, false },
        { "\" in single quotes", "<PROPERTIES><VALUE name=\"tempo\" val=\"200\"/><VALUE name=\"x\" val='"
                                     + std::string (1500, '"') + "'/></PROPERTIES>", withTempo200, false },
        { "> in an element", "<PROPERTIES><VALUE name=\"tempo\" val=\"200\"/><VALUE name=\"x\"><a b='"
                                + std::string (700, '"') + "'>" + std::string (700, '>') + "</a></VALUE></PROPERTIES>",
          withTempo200, false },
    };

    std::vector<std::string> kept;
    const auto keptCopies = [this]
    {
        std::vector<std::string> all;
        for (auto name = damagedFile().getFullPathName().toStdString(); fs::exists (name);
             name = damagedFile().getFullPathName().toStdString() + "-" + std::to_string (all.size() + 1))
            all.push_back (contentsOf (name));
        return all;
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeSettings (row.bytes);
        const auto otherKeys = [&]  // the program's own keys are checked by their values
        {
            const auto all = juce::PropertiesFile (settingsFile(), {}).getAllProperties();
            juce::String text;
            for (int i = 0; i < all.size(); ++i)
                if (! tableOrder.contains (all.getAllKeys()[i]))
                    text << all.getAllKeys()[i] << "=" << all.getAllValues()[i] << "\n";
            return text;
        };
        const auto othersBefore = row.damaged ? juce::String() : otherKeys();
        {
            auto app = start();
            EXPECT_EQ (values (*app->processor), row.expected);
            EXPECT_EQ (contentsOf (settingsFile()), row.bytes) << "the file lasts until the next quit";
        }
        EXPECT_TRUE (row.damaged || otherKeys() == othersBefore) << "keys it does not know come back as they were";
        // Each damaged file is kept under a name of its own, and no copy kept before is touched.
        if (row.damaged)
            kept.push_back (row.bytes);
        EXPECT_EQ (keptCopies(), kept);
        EXPECT_TRUE (! row.damaged || keysIn (settingsFile()) == tableOrder) << "a fresh file";
        EXPECT_EQ (values (*start()->processor), row.expected) << "that quit wrote good values";
    }

}

TEST_F (Settings, TheQuitWritesEveryValueThroughLinksWithTheModeAndSizeTheStartReadsAndTheStartClearsUp)
{
    const std::vector<double> saved { 1, 1, 121.37, 3, 23.456789f, 71.123456f, 61, 140, 0.3f, 0.7f, 1, 10, 1, 84, 36 };
    auto expected = saved;
    expected[2] = 121.0;  // the tempo comes back as a whole number
    const std::string base = home.getFullPathName().toStdString(), folder = base + "/.Keystead";
    const std::string file = folder + "/Keystead.settings", dotfile = base + "/dotfiles/keystead.xml";
    const std::string latin1 = base + "/caf\xe9", stale = folder + "/Keystead_temp1a2b.settings";
    const std::string fresh = folder + "/Keystead_temp3c4d.settings";
    const auto status = [] (const std::string& path) { struct stat s {}; lstat (path.c_str(), &s); return s; };

    // Each row sets up the home folder and gives the file that holds the values, the tempo it
    // starts with, and a check after the quit.
    using SetUp = std::function<std::string()>;
    const struct { const char* name; SetUp setUp; int tempo; std::function<bool()> check; } rows[] = {
        { "first run", [&] { return file; }, 120, [] { return true; } },
        { "absolute link", [&] { put (dotfile, tempo200()); fs::create_symlink (dotfile, file); return dotfile; },
          200, [&] { return S_ISLNK (status (file).st_mode); } },
        { "relative link", [&] { put (dotfile, tempo200()); fs::create_symlink ("../dotfiles/keystead.xml", file);
                                 return dotfile; },
          200, [&] { return S_ISLNK (status (file).st_mode); } },
        { "private", [&] { put (file, tempo200()); chmod (file.c_str(), 0600); return file; },
          200, [&] { return (status (file).st_mode & 0777) == 0600; } },
        // The framework's line ends make a rewritten file larger; the next start must still read it.
        { "largest", [&] { put (file, tempo200 (SettingsFile::largestReadableSize)); return file; },
          200, [&] { return status (file).st_size <= SettingsFile::largestReadableSize; } },
        { "home not UTF-8", [&] { fs::create_directories (latin1 + "/.Keystead"); setenv ("HOME", latin1.c_str(), 1);
                                  put (latin1 + "/.Keystead/Keystead.settings", tempo200());
                                  return latin1 + "/.Keystead/Keystead.settings"; },
          200, [] { return true; } },
        // A second instance's write under way is left alone.
        { "temporary files", [&] { put (file, tempo200()); put (stale, "cut short", 120); put (fresh, "cut short");
                                   return file; },
          200, [&] { return fs::exists (fresh) && ! fs::exists (stale); } },
        { "FIFO", [&] { mkfifo (file.c_str(), 0644); return file; },
          120, [&] { return S_ISFIFO (status (file + ".damaged").st_mode) && S_ISREG (status (file).st_mode); } },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        fs::remove_all (base);
        fs::create_directories (folder);
        fs::create_directories (base + "/dotfiles");
        setenv ("HOME", base.c_str(), 1);
        const auto holder = row.setUp();
        // The old file is never written into, so a kill during the write cannot cut it short.
        const auto oldCopy = base + "/old", oldBytes = fs::is_regular_file (holder) ? contentsOf (holder) : "";
        if (fs::is_regular_file (holder))
            fs::create_hard_link (holder, oldCopy);
        {
            auto app = start();
            EXPECT_EQ (app->processor->tempo.load(), row.tempo);
            values (*app->processor, saved);
            // The framework's own object looks for a file too: only where no other user can put one.
            auto& properties = *app->appProperties;
            for (auto* settings : { properties.getUserSettings(), properties.getCommonSettings (false) })
                EXPECT_TRUE (settings->getFile().getFullPathName().startsWith (base + "/"))
                    << settings->getFile().getFullPathName();
        }
        EXPECT_TRUE (! fs::exists (oldCopy) || contentsOf (oldCopy) == oldBytes);
        EXPECT_NE (contentsOf (holder).find ("name=\"tempo\" val=\"121.37\""), std::string::npos);
        EXPECT_TRUE (row.check());
        EXPECT_EQ (values (*start()->processor), expected) << "the next start reads it";
    }

    // A run that changes nothing writes nothing, so the file stays as it was, down to its bytes.
    setenv ("HOME", base.c_str(), 1);
    const auto extra = juce::String (contentsOf (file)).replace ("</PROPERTIES>", "<VALUE name=\"x\"/></PROPERTIES>");
    put (file, extra.toStdString());
    start();
    EXPECT_EQ (contentsOf (file), extra.toStdString());
}

TEST_F (Settings, ASaveThatCannotBeDoneChangesNothingOnDiskAndSaysWhyInOneLineAndTheExitStatus)
{
    const std::string base = home.getFullPathName().toStdString(), folder = base + "/.Keystead";
    const std::string file = folder + "/Keystead.settings", music = base + "/Music";
    const auto link = [] (const std::string& to, const std::string& at) { fs::create_symlink (to, at); };

    // Each row sets up the home folder and gives the file that the message must name.
    const struct { const char* name; std::function<std::string()> setUp; } rows[] = {
        // What a link leads to is the user's own: a folder is no settings file to replace.
        { "link to a folder", [&] { fs::create_directories (music + "/song"); link (music, file); return music; } },
        { "link to a FIFO", [&] { mkfifo (music.c_str(), 0644); link (music, file); return music; } },
        // Longer than the system follows: no link of it is replaced by a file.
        { "45 links", [&] { put (music, tempo200());
                            for (int i = 0; i < 45; ++i)
                                link (i < 44 ? file + std::to_string (i + 1) : music,
                                      i == 0 ? file : file + std::to_string (i));
                            return file; } },
        { "folder is a file", [&] { fs::remove (folder); put (folder, "x"); return file; } },
        // A kept copy is never replaced, so there are only so many.
        { "every kept name taken", [&] { put (file, "tempo 90"); fs::create_directories (file + ".damaged/x");
                                         for (int n = 2; n <= 100; ++n)
                                             put (file + ".damaged-" + std::to_string (n), "kept");
                                         return file; } },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        fs::remove_all (base);
        fs::create_directories (folder);
        const auto named = row.setUp();
        const auto before = snapshot (base);
        testing::internal::CaptureStderr();
        auto app = start();
        EXPECT_EQ (app->processor->tempo.load(), 120.0);
        app->processor->tempo = 99.0;
        app->shutdown();
        const auto printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ (app->getApplicationReturnValue(), 1);
        EXPECT_EQ (snapshot (base), before);
        const auto line = "Keystead: the settings were not saved: " + named + ": ";
        const auto at = printed.find ("Keystead: ");
        EXPECT_TRUE (at != std::string::npos && printed.compare (at, line.size(), line) == 0) << printed;
        EXPECT_EQ (printed.find ("Keystead: ", at + 1), std::string::npos) << "one line: " << printed;
    }
}

TEST_F (Settings, FilesAsDeepAsTheBoundLetsThroughAreReadAndWrittenByAThreadWithASmallStack)
{
    // The program's own thread has what `ulimit -s` gives it; the reader needs half a kilobyte a level (the
    // sanitisers' frames are larger, and so is what the program needs besides).
   #if defined (__SANITIZE_THREAD__)
    constexpr size_t smallStack = 1536 * 1024;  // the thread sanitizer keeps about 900 KiB of it for itself
   #elif defined (__SANITIZE_ADDRESS__)
    constexpr size_t smallStack = 512 * 1024;
   #else
    constexpr size_t smallStack = 256 * 1024;
   #endif
    const int levels = 998, half = levels / 2 - 2;
    const struct { const char* name; std::string bytes; bool damaged; } rows[] = {
        { "never closed", "<PROPERTIES>" + repeated ("<a>", levels), true },
        { "closed", "<PROPERTIES><VALUE name=\"tempo\" val=\"200\"/><VALUE name=\"x\">" + repeated ("<a>", half)
                        + repeated ("</a>", half) + "</VALUE></PROPERTIES>", false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeSettings (row.bytes);
        fs::remove_all (damagedFile().getFullPathName().toStdString());
        const auto before = juce::PropertiesFile (settingsFile(), {}).getAllProperties()["x"];
        int tempo = 0;
        bool handedOut = true;
        std::string failure = "not run";
        std::function<void()> job = [&]
        {
            juce::ApplicationProperties properties;
            SettingsFile::Open (properties, "Keystead");
            auto& settings = *properties.getUserSettings();
            tempo = settings.getIntValue ("tempo");
            handedOut = SettingsFile::ParseXml (settings.getValue ("x")) != nullptr;
            settings.getAllProperties().set ("tempo", "190");
            settings.setNeedsToBeSaved (true);
            failure = SettingsFile::Save (properties, "Keystead");
        };
        // A stack of its own (the system would give a thread a larger one it kept from an earlier thread), with a
        // page below it that ends an overflow at once rather than in other memory.
        const auto page = (size_t) sysconf (_SC_PAGESIZE);
        auto* memory = static_cast<char*> (mmap (nullptr, page + smallStack, PROT_READ | PROT_WRITE,
                                                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE (memory, MAP_FAILED);
        mprotect (memory, page, PROT_NONE);
        pthread_attr_t attributes;
        pthread_t thread;
        pthread_attr_init (&attributes);
        pthread_attr_setstack (&attributes, memory + page, smallStack);
        ASSERT_EQ (pthread_create (&thread, &attributes, [] (void* j) -> void*
                                   { (*static_cast<std::function<void()>*> (j))(); return nullptr; }, &job), 0);
        pthread_join (thread, nullptr);
        pthread_attr_destroy (&attributes);
        munmap (memory, page + smallStack);
        EXPECT_EQ (tempo, row.damaged ? 0 : 200);
        EXPECT_FALSE (handedOut) << "the framework copies and deletes a tree by recursion too";
        EXPECT_EQ (failure, "");
        EXPECT_EQ (contentsOf (damagedFile()), row.damaged ? row.bytes : "");
        const auto written = juce::PropertiesFile (settingsFile(), {}).getAllProperties();
        EXPECT_EQ (written["tempo"], "190");
        EXPECT_EQ (written["x"], before);
    }
}

TEST_F (Settings, ARunAsRootInAUsersHomeLeavesTheFolderAndFileItWritesTheUsers)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can write in another user's home";

    // A user of the system's own, made once and kept: its home is this test's.
    const char* name = "keystead-test";
    if (getpwnam (name) == nullptr)
    {
        ASSERT_EQ (std::system ("useradd --system --no-create-home --shell /usr/sbin/nologin keystead-test"), 0);
    }
    const auto* user = getpwnam (name);
    ASSERT_NE (user, nullptr);
    const std::string base = home.getFullPathName().toStdString(), folder = base + "/.Keystead";
    const std::string file = folder + "/Keystead.settings";
    ASSERT_EQ (chown (base.c_str(), user->pw_uid, user->pw_gid), 0);
    const auto owner = [] (const std::string& path) { struct stat s {}; lstat (path.c_str(), &s); return s; };
    const gid_t otherGroup = user->pw_gid + 1;

    // Each row sets up the home folder; a file there keeps its owner, group and mode, a new one takes the home's.
    const struct { const char* name; std::function<void()> setUp; gid_t group; mode_t mode; } rows[] = {
        { "first run", [] {}, user->pw_gid, 0644 },
        { "replaced", [&] { fs::create_directories (folder); chown (folder.c_str(), user->pw_uid, user->pw_gid);
                            put (file, tempo200()); chown (file.c_str(), user->pw_uid, otherGroup);
                            chmod (file.c_str(), 0600); },
          otherGroup, 0600 },
        { "damaged", [&] { fs::create_directories (folder); chown (folder.c_str(), user->pw_uid, user->pw_gid);
                           put (file, "tempo 90"); chown (file.c_str(), user->pw_uid, otherGroup); },
          user->pw_gid, 0644 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        fs::remove_all (folder);
        const auto mask = umask (022);
        row.setUp();
        start()->processor->tempo = 99.0;
        umask (mask);
        for (const auto& path : { folder, file })
        {
            EXPECT_EQ (owner (path).st_uid, user->pw_uid) << path;
            EXPECT_EQ (owner (path).st_gid, path == file ? row.group : user->pw_gid) << path;
        }
        EXPECT_EQ (owner (file).st_mode & 07777, row.mode);
        EXPECT_NE (contentsOf (file).find ("name=\"tempo\" val=\"99.0\""), std::string::npos);
    }
}
