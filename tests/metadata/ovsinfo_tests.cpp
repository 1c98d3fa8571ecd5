// ovsinfo as a user runs it: exit codes, the caption bytes and the JSON text.
// Native only: the program is run through the shell.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Utf8Text.h"
#include "support/CostlyExif.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::Bytes;
using test::IptcDataset;

struct TRun {
    int code = -1;
    std::string out, err;
};

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Repeat(std::string_view piece, size_t times) {
    std::string out;
    for (size_t n = 0; n < times; ++n) out += piece;
    return out;
}

// Whether python's json module takes the text.
bool IsValidJson(const test::ScratchDir& dir, const std::string& json) {
    const std::string file = dir.Write("check.json", json);
    const std::string cmd = "python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' " + Quote(file);
    return std::system(cmd.c_str()) == 0;
}

class OvsInfo : public ::testing::Test {
protected:
    test::ScratchDir dir;

    TRun Run(const std::vector<std::string>& args) const {
        // The time limit only keeps a hung run from stalling the suite.
        // Dates are shown in local time; the tests know it as UTC.
        std::string cmd = "TZ=UTC timeout 60 " + Quote(std::string(OVS_BUILD_DIR) + "/tools/ovsinfo");
        for (const auto& a : args) cmd += " " + Quote(a);
        const auto out = dir.Path() / "stdout", err = dir.Path() / "stderr";
        cmd += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        const int status = std::system(cmd.c_str());
        TRun r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        return r;
    }

    std::string Captioned(const std::string& name, const std::string& caption) const {
        return dir.Write(name, test::Jpeg({test::IptcApp13(IptcDataset(2, 120, caption)), test::ScanAndImageData()}));
    }
};

TEST_F(OvsInfo, ExitCodeTellsWhatWentWrong) {
    const std::string good = Captioned("good.jpg", "fine");
    const std::string plain = dir.Write("plain.png", "\x89PNG not read");
    const std::string missing = (dir.Path() / "missing.jpg").string();
    const std::string folder = dir.Path().string();
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* errHas;   // empty: stderr must be empty
    } cases[] = {
        {{}, 2, "usage"},
        {{"--bogus", good}, 2, "--bogus"},
        {{"--json", "--caption", good}, 2, "exclude"},
        {{"--json"}, 2, "usage"},
        {{"--help"}, 0, ""},
        {{good}, 0, ""},
        {{plain, "--json"}, 0, ""},
        {{missing}, 1, "missing.jpg"},
        {{"--caption", good, missing}, 1, "missing.jpg: no such file"},
        {{folder}, 1, folder.c_str()},
        {{"--", "--json"}, 1, "--json"},   // a file of that name, after "--"
    };
    for (const auto& c : cases) {
        const TRun r = Run(c.args);
        const std::string label = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.code, c.code) << label;
        if (*c.errHas)
            EXPECT_NE(r.err.find(c.errHas), std::string::npos) << label << ": " << r.err;
        else
            EXPECT_EQ(r.err, "") << label;
    }
}

TEST_F(OvsInfo, CaptionModePrintsOneLinePerFile) {
    // Line ends, NUL and the escape character itself are escaped, so no
    // caption can end its line or plant a line of its own.
    const std::string a = Captioned("a.jpg", std::string("  Zeile 1\r\nCaption: fake\0\\n ", 27));
    const std::string b = Captioned("b.jpeg", "not read");
    const std::string c = Captioned("c.JPG", "third");
    const TRun r = Run({"--caption", a, b, c});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Zeile 1\\r\\nCaption: fake\\0\\\\n\n\nthird\n");
    const TRun text = Run({a});
    EXPECT_NE(text.out.find("\nCaption: Zeile 1\\r\\nCaption: fake\\0\\n\n"), std::string::npos) << text.out;
    const TRun help = Run({"--help"});
    EXPECT_NE(help.out.find("a line feed \\n"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("U+0080-U+009F) \\xHH"), std::string::npos) << help.out;
}

TEST_F(OvsInfo, TextsAreShownAsUtf8OfTheirEncoding) {
    // Every IPTC text by its record's declaration or, without one, by what
    // its bytes are; Exif texts the same way. Windows-1252 stands in for the
    // ANSI code page.
    const std::string utf8 = IptcDataset(1, 90, "\x1B%G");
    struct Case {
        const char* what;
        std::string envelope;
        std::string stored;
        std::string shown;       // UTF-8
        std::string exifShown = {};   // the Exif text has no declaration; "" when as shown
    } cases[] = {
        {"declared UTF-8", utf8, "J\xC3\xB6nk\xC3\xB6ping \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8C\xB4",
         "J\xC3\xB6nk\xC3\xB6ping \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8C\xB4"},
        {"undeclared valid UTF-8", "", "J\xC3\xB6nk\xC3\xB6ping", "J\xC3\xB6nk\xC3\xB6ping"},
        {"Windows-1252", "", "Portr\xE4tt p\xE5 Eva \x80", "Portr\xC3\xA4tt p\xC3\xA5 Eva \xE2\x82\xAC"},
        {"ASCII", "", "Beach", "Beach"},
        {"invalid under the declaration", utf8, "J\xF6nk\xC3", "J\xEF\xBF\xBDnk\xEF\xBF\xBD",
         "J\xC3\xB6nk\xC3\x83"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string exif = c.exifShown.empty() ? c.shown : c.exifShown;
        test::TiffBuilder b(false);
        const std::string file = dir.Write(
            "t.jpg", test::Jpeg({test::ExifApp1(b.Build({{b.Ascii(0x010F, c.stored)}})),
                                 test::IptcApp13(c.envelope + IptcDataset(2, 90, c.stored) + IptcDataset(2, 120, c.stored)),
                                 test::ScanAndImageData()}));
        const TRun caption = Run({"--caption", file});
        const TRun text = Run({file});
        const TRun json = Run({"--json", file});
        EXPECT_EQ(caption.out, c.shown + "\n");
        for (const std::string& line : {"\nCaption: " + c.shown + "\n", "\n  City = " + c.shown + "\n",
                                       "\nMake: " + exif + "\n"})
            EXPECT_NE(text.out.find(line), std::string::npos) << line;
        for (const std::string& key : {"\"Caption\": \"" + c.shown + "\"", "\"value\": \"" + c.shown + "\"}",
                                      "\"Make\": \"" + exif + "\""})
            EXPECT_NE(json.out.find(key), std::string::npos) << key;
        for (const TRun* run : {&caption, &text, &json}) EXPECT_TRUE(IsUtf8Text(run->out));
    }
}

TEST_F(OvsInfo, SeveralFilesMakeAnArray) {
    const std::string a = Captioned("a.jpg", "one");
    const std::string b = Captioned("b.jpg", "two");
    const TRun r = Run({"--json", a, b});
    EXPECT_EQ(r.code, 0);
    ASSERT_GE(r.out.size(), 4u);
    EXPECT_EQ(r.out.substr(0, 2), "[\n");
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "\n]\n");
    EXPECT_NE(r.out.find("\"Caption\": \"one\""), std::string::npos);
    EXPECT_NE(r.out.find("},\n  {"), std::string::npos);
}

TEST_F(OvsInfo, TextModeNamesTheFields) {
    const TRun r = Run({Captioned("t.jpg", "shown")});
    EXPECT_EQ(r.code, 0);
    for (const char* line : {"FileSize: ", "Status: <none>\n", "Sections:\n  1 ED ", "Iptc:\n  Image caption = shown\n",
                             "Caption: shown\n", "ImageWidth: -1\n", "FocalLength: -1\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST_F(OvsInfo, PipeNamedLikeAnImageIsNotOpened) {
    // Opening a pipe with no writer would wait for one for ever.
    const std::string fifo = (dir.Path() / "x.jpg").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{fifo}, {"--caption", fifo}, {"--json", fifo}}) {
        const TRun r = Run(args);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_NE(r.err.find("x.jpg: not a regular file"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << args[0];
    }
}

// A directory of texts that each name the same bytes, which grow most when
// shown as UTF-8 or escaped, and a user comment spanning the whole block,
// the directory's control bytes included.
std::string SpanningValuesJpeg(char fill) {
    constexpr uint32_t entries = 5200;
    test::TiffBuilder b(false);
    std::vector<std::vector<test::IfdEntry>> ifds = {{test::TiffBuilder::SubIfd(0x8769, 1)}, {}};
    const uint32_t values = b.IfdOffset(ifds, 1) + 2 + 12 * (entries + 2) + 4;
    ifds[1].push_back({0x9286, 7, 0xFFFF, b.U32(0)});
    for (uint32_t n = 0; n < entries; ++n) ifds[1].push_back({0x010E, 2, 64, b.U32(values)});
    ifds[1].push_back(b.Undefined(0xA420, std::string(64, fill)));
    return test::Jpeg({test::ExifApp1(b.Build(ifds)), test::ScanAndImageData()});
}

TEST_F(OvsInfo, OutputStaysWithinAMultipleOfTheFileSize) {
    // A line shows a name and at most 50 bytes of value for each 12 bytes
    // of Exif data, as do the record's texts.
    struct Case {
        std::string name, bytes;
    };
    std::vector<Case> cases;
    for (test::TCostlyKind kind : test::CostlyKinds)
        cases.push_back({test::CostlyKindName(kind), test::CostlyJpeg(kind, 65536)});
    for (const char fill : {'\x80', '\xFF', '"', '\\', '\x01'})
        cases.push_back({"spanning values of " + std::to_string(static_cast<unsigned char>(fill)), SpanningValuesJpeg(fill)});
    for (const Case& c : cases) {
        const std::string file = dir.Write("costly.jpg", c.bytes);
        const TRun text = Run({file});
        const TRun json = Run({"--json", file});
        EXPECT_EQ(text.code, 0);
        EXPECT_EQ(json.code, 0);
        EXPECT_GT(text.out.size(), c.bytes.size()) << c.name;   // the lines are there
        EXPECT_LE(text.out.size(), 8 * c.bytes.size() + 2048) << c.name;
        EXPECT_LE(json.out.size(), 20 * c.bytes.size() + 4096) << c.name;
    }
    // Values are never cut to keep the bound: lines are left out, and the
    // report says so.
    const std::string file = dir.Write("spanning.jpg", SpanningValuesJpeg('\x80'));
    const TRun text = Run({file}), json = Run({"--json", file});
    EXPECT_NE(text.out.find("\n  ImageDescription = \"" + Repeat("\xE2\x82\xAC", 49) + "\n"), std::string::npos);
    EXPECT_NE(text.out.find(" more lines left out: the output for one file is limited)\n"), std::string::npos);
    EXPECT_NE(json.out.find("\"LinesLeftOut\": "), std::string::npos);
    EXPECT_TRUE(IsValidJson(dir, json.out));
}

TEST_F(OvsInfo, ValuesShowWhatTheReadersLineHolds) {
    // A line holds 50 bytes of the stored text (a quoted value: the quote and
    // 49); escaping for JSON or decoding Windows-1252 never shortens it, and
    // no cut, the reader's own included, leaves half a UTF-8 character.
    const std::string e = "\xC3\xA9", nihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", euro = "\xE2\x82\xAC";
    const std::string twoFull = "\xEF\xBC\x92\xEF\xBC\x90";   // "２０" in full-width digits
    test::TiffBuilder b(false);
    struct Case {
        const char* what;
        test::IfdEntry entry;
        std::string textLine, jsonPart;
    } cases[] = {
        {"UTF-8 description", b.Ascii(0x010E, Repeat(e, 40)),
         "\n  ImageDescription = \"" + Repeat(e, 24) + "\n", "\"value\": \"\\\"" + Repeat(e, 24) + "\"}"},
        {"leading quote", b.Ascii(0x010E, "\"" + std::string(60, 'a')),
         "\n  ImageDescription = \"\"" + std::string(48, 'a') + "\n",
         "\"value\": \"\\\"\\\"" + std::string(48, 'a') + "\"}"},
        {"Windows-1252 description", b.Ascii(0x010E, std::string(60, '\xE9')),
         "\n  ImageDescription = \"" + Repeat(e, 49) + "\n", "\"value\": \"\\\"" + Repeat(e, 49) + "\"}"},
        {"Make of 36 bytes", b.Ascii(0x010F, Repeat(nihongo, 4)),
         "\nMake: " + Repeat(nihongo, 3) + nihongo.substr(0, 3) + "\n",
         "\"Make\": \"" + Repeat(nihongo, 3) + nihongo.substr(0, 3) + "\""},
        {"Model of 42 bytes", b.Ascii(0x0110, Repeat(euro, 14)), "\nModel: " + Repeat(euro, 13) + "\n",
         "\"Model\": \"" + Repeat(euro, 13) + "\""},
        {"full-width DateTime", b.Ascii(0x0132, Repeat(twoFull, 5)), "\nDateTime: " + Repeat(twoFull, 3) + "\n",
         "\"DateTime\": \"" + Repeat(twoFull, 3) + "\""},
        {"Windows-1252 comment", b.Ascii(0x9286, std::string(60, '\xE9')), "\nUserComment: " + Repeat(e, 50) + "\n",
         "\"UserComment\": \"" + Repeat(e, 50) + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file =
            dir.Write("v.jpg", test::Jpeg({test::ExifApp1(b.Build({{c.entry}})), test::ScanAndImageData()}));
        const TRun text = Run({file}), json = Run({"--json", file});
        EXPECT_NE(text.out.find(c.textLine), std::string::npos) << text.out;
        EXPECT_NE(json.out.find(c.jsonPart), std::string::npos) << json.out;
    }
}

TEST_F(OvsInfo, EveryControlCharacterIsEscaped) {
    // ESC sequences, VT, FF, DEL, NEL, the line separator and the bidi
    // controls would steer a terminal or split a line for some readers.
    const std::string utf8 = IptcDataset(1, 90, "\x1B%G");
    struct Case {
        const char* what;
        std::string envelope, caption, lineForm, jsonForm;
    } cases[] = {
        {"C0, DEL and UTF-8 controls", utf8,
         std::string("a\x1B[2K\x1B[1G\x0B\x0C\x7F\xC2\x85\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAE\xE2\x81\xA6\t\0\x01z", 30),
         "a\\x1b[2K\\x1b[1G\\x0b\\x0c\\x7f\\x85\\u2028\\u2029\\u202e\\u2066\\t\\0\\x01z",
         "a\\u001b[2K\\u001b[1G\\u000b\\u000c\\u007f\\u0085\\u2028\\u2029\\u202e\\u2066\\t\\u0000\\u0001z"},
        {"C1 of the ANSI code page", "", "\x81x\x9D\xE9", "\\x81x\\x9d\xC3\xA9", "\\u0081x\\u009d\xC3\xA9"},
        {"what stays", utf8, "\xE2\x80\x8B\xE2\x81\xA0 \xC2\xA0\xE2\x80\x8F!", "\xE2\x80\x8B\xE2\x81\xA0 \xC2\xA0\xE2\x80\x8F!",
         "\xE2\x80\x8B\xE2\x81\xA0 \xC2\xA0\xE2\x80\x8F!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = dir.Write(
            "c.jpg", test::Jpeg({test::IptcApp13(c.envelope + IptcDataset(2, 120, c.caption)), test::ScanAndImageData()}));
        const TRun caption = Run({"--caption", file}), text = Run({file}), json = Run({"--json", file});
        EXPECT_EQ(caption.out, c.lineForm + "\n");
        EXPECT_NE(text.out.find("\nCaption: " + c.lineForm + "\n"), std::string::npos) << text.out;
        EXPECT_NE(json.out.find("\"Caption\": \"" + c.jsonForm + "\""), std::string::npos) << json.out;
        for (const TRun* run : {&caption, &text, &json}) {
            EXPECT_TRUE(IsUtf8Text(run->out));
            for (const char ch : run->out)
                EXPECT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F)) << int(ch);
        }
        EXPECT_TRUE(IsValidJson(dir, json.out)) << json.out;
    }
}

TEST_F(OvsInfo, UnknownDatesAreSaidToBeUnknown) {
    // tmpfs keeps any time a copy from another system may set.
    const std::filesystem::path shm = "/dev/shm";
    if (!std::filesystem::is_directory(shm)) GTEST_SKIP() << "no tmpfs at /dev/shm";
    const std::string file = (shm / ("ovs-info-date-" + std::to_string(::getpid()) + ".jpg")).string();
    std::ofstream(file, std::ios::binary) << test::Jpeg({test::ScanAndImageData()});
    constexpr int64_t lastSecond = 253402300799;   // 9999-12-31T23:59:59 UTC
    struct Case {
        int64_t seconds;
        long nanoseconds;
        const char* text;   // nullptr: unknown
    } cases[] = {
        {lastSecond, 400000000, "9999-12-31T23:59:59"},
        {lastSecond, 600000000, nullptr},   // rounds into the year 10000
        {lastSecond + 86400 * 400, 0, nullptr},
        {978307200, 0, "2001-01-01T00:00:00"},
    };
    for (const Case& c : cases) {
        const timespec times[2] = {{static_cast<time_t>(c.seconds), c.nanoseconds},
                                   {static_cast<time_t>(c.seconds), c.nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        const TRun text = Run({file}), json = Run({"--json", file});
        const std::string shown = c.text ? c.text : "unknown";
        const std::string json_ = c.text ? "\"" + std::string(c.text) + "\"" : "null";
        EXPECT_NE(text.out.find("\nFileDate: " + shown + "\n"), std::string::npos) << text.out;
        EXPECT_NE(json.out.find("\"FileDate\": " + json_ + ","), std::string::npos) << json.out;
    }
    std::filesystem::remove(file);
}

std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (const char16_t u : text) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return out;
}

TEST_F(OvsInfo, ShowsWhatWindowsAndPhotoToolsWrite) {
    test::TiffBuilder b(false);
    const auto xp = [](uint16_t tag, const std::string& bytes) {
        return test::IfdEntry{tag, 1, static_cast<uint32_t>(bytes.size()), bytes};
    };
    const std::string exif = test::ExifApp1(b.Build({{
        b.Ascii(0x010F, "Maker"),
        xp(0x9C9B, Utf16Le(u"Sommer am See") + std::string(2, '\0')),
        xp(0x9C9C, Utf16Le(u"Gr\u00FC\u00DFe \u65E5\u672C")),   // no terminator
    }}));
    const std::string xmp = test::Segment(
        0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                  "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>"
                  "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                  "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:description><rdf:Alt>"
                  "<rdf:li xml:lang='x-default'>Boote im Hafen &amp; \xE2\x80\xAE</rdf:li></rdf:Alt></dc:description>"
                  "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>");
    const std::string file = dir.Write("d.jpg", test::Jpeg({exif, xmp, test::ScanAndImageData()}));
    const TRun text = Run({file}), json = Run({"--json", file});
    EXPECT_NE(text.out.find("\nDescriptions:\n  XPTitle = Sommer am See\n  XPComment = Gr\xC3\xBC\xC3\x9F" "e "
                            "\xE6\x97\xA5\xE6\x9C\xAC\n  dc:description = Boote im Hafen & \\u202e\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(json.out.find("{\"name\": \"dc:description\", \"value\": \"Boote im Hafen & \\u202e\"}"),
              std::string::npos)
        << json.out;
    EXPECT_TRUE(IsValidJson(dir, json.out));
    // A TIFF's first directory, read from the file where the header puts it.
    test::TiffBuilder big(true);
    const std::string title = Utf16Le(u"Titel") + std::string(2, '\0');
    std::string tiff = big.Build({{{0x9C9B, 1, static_cast<uint32_t>(title.size()), title}}});
    tiff = tiff.substr(0, 4) + big.U32(3000) + std::string(2992, '\0') + tiff.substr(8);
    tiff[3000 + 2 + 8 + 3] = static_cast<char>(3000 + 18);   // the value's offset moves with it
    tiff[3000 + 2 + 8 + 2] = static_cast<char>((3000 + 18) >> 8);
    EXPECT_NE(Run({dir.Write("d.tif", tiff)}).out.find("\nDescriptions:\n  XPTitle = Titel\n"), std::string::npos);
}

TEST_F(OvsInfo, CorpusOutputIsCleanUtf8) {
    // Real files of many writers: every output strict UTF-8 with no raw
    // control byte, one caption line per file, JSON that parses, no list cut
    // short, and the descriptions that Windows and photo tools wrote.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(OVS_CORPUS_DIR)) files.push_back(entry.path().string());
    if (files.empty()) GTEST_SKIP() << "no corpus";
    std::vector<std::string> args = files;
    const TRun text = Run(args);
    args.insert(args.begin(), "--caption");
    const TRun caption = Run(args);
    args[0] = "--json";
    const TRun json = Run(args);
    for (const TRun* run : {&text, &caption, &json}) {
        EXPECT_EQ(run->code, 0) << run->err;
        EXPECT_TRUE(IsUtf8Text(run->out));
        EXPECT_EQ(std::count_if(run->out.begin(), run->out.end(),
                                [](char c) { return c != '\n' && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F); }),
                  0);
        EXPECT_EQ(run->out.find("left out"), std::string::npos);
        EXPECT_EQ(run->out.find("LinesLeftOut"), std::string::npos);
    }
    EXPECT_EQ(static_cast<size_t>(std::count(caption.out.begin(), caption.out.end(), '\n')), files.size());
    EXPECT_TRUE(IsValidJson(dir, json.out));
    for (const char* line : {"\n  XPTitle = ", "\n  dc:title = ", "\n  dc:description = "})
        EXPECT_NE(text.out.find(line), std::string::npos) << line;
}

} // namespace
} // namespace ovs
