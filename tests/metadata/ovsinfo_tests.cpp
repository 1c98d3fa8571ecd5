// ovsinfo as a user runs it: exit codes, the caption bytes and the JSON text.
// Native only: the program is run through the shell.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

class OvsInfo : public ::testing::Test {
protected:
    test::ScratchDir dir;

    TRun Run(const std::vector<std::string>& args) const {
        // The time limit only keeps a hung run from stalling the suite.
        std::string cmd = "timeout 60 " + Quote(std::string(OVS_BUILD_DIR) + "/tools/ovsinfo");
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

TEST_F(OvsInfo, CaptionModePrintsTheStoredBytes) {
    const std::string a = Captioned("a.jpg", "  Zeile 1\r\nGr\xF6\xDF" "e\x81 ");
    const std::string b = Captioned("b.jpeg", "not read");
    const std::string c = Captioned("c.JPG", "third");
    const TRun r = Run({"--caption", a, b, c});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Zeile 1\r\nGr\xF6\xDF" "e\x81\n\nthird\n");
}

TEST_F(OvsInfo, JsonTextIsUtf8OfWindows1252) {
    // Every byte class: ASCII, the JSON escapes, a control byte, the
    // Windows-1252 block (defined and undefined) and Latin-1.
    const std::string file = Captioned("j.jpg", "a\"b\\c\x01\x80\x81\x8D\x8F\x90\x9D\x9F\xA9\xE9\xFF");
    const TRun r = Run({"--json", file});
    EXPECT_EQ(r.code, 0);
    const std::string expected = "\"Caption\": \"a\\\"b\\\\c\\u0001\xE2\x82\xAC\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90"
                                 "\xC2\x9D\xC5\xB8\xC2\xA9\xC3\xA9\xC3\xBF\"";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_EQ(r.out.front(), '{');
    for (const char* key : {"\"FileName\"", "\"FileSize\"", "\"FileDate\"", "\"Status\": \"<none>\"", "\"Sections\"",
                            "\"Tags\"", "\"MakerNoteTags\"", "\"Iptc\"", "\"HasMakerNote\": false",
                            "{\"name\": \"Image caption\", \"value\": "})
        EXPECT_NE(r.out.find(key), std::string::npos) << key;
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

TEST_F(OvsInfo, OutputStaysWithinAMultipleOfTheFileSize) {
    // A line shows a name and at most 64 characters of value for each 12
    // bytes of Exif data; JSON may spell a byte in up to 3 (\" and the
    // Windows-1252 block), beside its own keys and quotes.
    for (test::TCostlyKind kind : test::CostlyKinds) {
        const std::string bytes = test::CostlyJpeg(kind, 65536);
        const std::string file = dir.Write(std::string(test::CostlyKindName(kind)) + ".jpg", bytes);
        const TRun text = Run({file});
        const TRun json = Run({"--json", file});
        EXPECT_EQ(text.code, 0);
        EXPECT_EQ(json.code, 0);
        EXPECT_GT(text.out.size(), bytes.size()) << test::CostlyKindName(kind);   // the lines are there
        EXPECT_LE(text.out.size(), 10 * bytes.size() + 2048) << test::CostlyKindName(kind);
        EXPECT_LE(json.out.size(), 20 * bytes.size() + 4096) << test::CostlyKindName(kind);
    }
}

} // namespace
} // namespace ovs
