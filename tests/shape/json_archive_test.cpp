// The JSON archive: node and value mapping, forgiving reads, refusals, and whole documents
// stored and read back through it.
#include "shape/json/mgjsonarchive.h"
#include "shape/mgshapes.h"

#include "sample_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

TEST(JsonArchive, NodesAreObjectsAndArrayElements)
{
    MgJsonArchive ar;
    EXPECT_EQ(ar.depth(), 0);
    ASSERT_TRUE(ar.writeNode("doc", -1, false));
    ar.writeInt("count", 2);
    for (int n = 0; n < 2; ++n) {
        ASSERT_TRUE(ar.writeNode("item", n, false));
        ar.writeInt("n", n);
        EXPECT_EQ(ar.depth(), 2);
        ASSERT_TRUE(ar.writeNode("item", n, true));
    }
    ASSERT_TRUE(ar.writeNode("doc", -1, true));
    EXPECT_EQ(ar.depth(), 0);
    EXPECT_EQ(ar.text(-1), R"({"doc":{"count":2,"item":[{"n":0},{"n":1}]}})");

    ASSERT_TRUE(ar.readNode("doc", -1, false));
    EXPECT_FALSE(ar.readNode("item", -1, false)); // an array is no single node
    EXPECT_FALSE(ar.readNode("item", 2, false));
    EXPECT_FALSE(ar.readNode("count", -1, false)); // a value is no node
    ASSERT_TRUE(ar.readNode("item", 1, false));
    EXPECT_EQ(ar.readInt("n", -1), 1);
    EXPECT_EQ(ar.readInt("count", -1), -1); // keys of the parent are not visible
    ASSERT_TRUE(ar.readNode("item", 1, true));
    EXPECT_EQ(ar.readInt("count", -1), 2);
    ASSERT_TRUE(ar.readNode("doc", -1, true));
    EXPECT_FALSE(ar.readNode("doc", -1, true)); // already at the root
}

TEST(JsonArchive, RefusedNodeCalls)
{
    MgJsonArchive ar;
    EXPECT_FALSE(ar.writeNode("item", 1, false)); // element 0 does not exist yet
    EXPECT_FALSE(ar.writeNode("item", -2, false));
    EXPECT_FALSE(ar.writeNode(nullptr, -1, false));
    EXPECT_FALSE(ar.readNode(nullptr, -1, false));
    EXPECT_FALSE(ar.readNode("nothing", -1, false));
    EXPECT_FALSE(ar.readNode("nothing", 0, false));
    ASSERT_TRUE(ar.writeNode("a", -1, false));
    ASSERT_TRUE(ar.writeNode("b", 0, false));
    // Leaving a node that is not the current one changes nothing.
    EXPECT_FALSE(ar.writeNode("a", -1, true));
    EXPECT_FALSE(ar.writeNode("b", 1, true));
    EXPECT_FALSE(ar.readNode("b", -1, true));
    EXPECT_EQ(ar.depth(), 2);
    EXPECT_TRUE(ar.writeNode("b", 0, true));
    EXPECT_TRUE(ar.writeNode("a", -1, true));
    EXPECT_EQ(ar.depth(), 0);
}

TEST(JsonArchive, RewritingAnElement)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.writeNode("e", 0, false));
    ar.writeInt("v", 1);
    ar.writeNode("e", 0, true);
    ASSERT_TRUE(ar.writeNode("e", 0, false)); // an existing element is entered again
    ar.writeInt("v", 2);
    ar.writeInt("w", 3);
    ar.writeNode("e", 0, true);
    EXPECT_EQ(ar.text(-1), R"({"e":[{"v":2,"w":3}]})");
}

TEST(JsonArchive, ValuesAndDefaults)
{
    MgJsonArchive ar;
    ar.writeByte("byte", 200);
    ar.writeInt("int", -123456);
    ar.writeBool("bool", true);
    ar.writeFloat("float", 0.1f);
    const float values[3] = { 1.5f, -2.25f, 3e-8f };
    ar.writeFloatArray("array", values, 3);
    ar.writeFloatArray("empty", values, 0);
    ar.writeInt(nullptr, 5); // ignored
    EXPECT_EQ(
        ar.text(-1), R"({"byte":200,"int":-123456,"bool":true,"float":0.1,"array":[1.5,-2.25,3e-08],"empty":[]})");

    EXPECT_EQ(ar.readByte("byte", 0), 200);
    EXPECT_EQ(ar.readInt("int", 0), -123456);
    EXPECT_TRUE(ar.readBool("bool", false));
    EXPECT_EQ(ar.readFloat("float", 0), 0.1f);
    float read[4] = {};
    EXPECT_EQ(ar.readFloatArray("array", read, 4), 3);
    EXPECT_EQ(read[2], 3e-8f);
    EXPECT_EQ(ar.readFloatArray("array", read, 2), 2);
    EXPECT_EQ(ar.readFloatArray("empty", read, 2), 0);
    EXPECT_EQ(ar.readFloatArray("array", nullptr, 2), 0);
    EXPECT_EQ(ar.readFloatArray("array", read, 0), 0);

    // Missing keys and null names answer the defaults.
    EXPECT_EQ(ar.readByte("missing", 7), 7);
    EXPECT_EQ(ar.readInt("missing", 7), 7);
    EXPECT_FALSE(ar.readBool("missing", false));
    EXPECT_EQ(ar.readFloat("missing", 7.5f), 7.5f);
    EXPECT_EQ(ar.readFloatArray("missing", read, 4), 0);
    EXPECT_EQ(ar.readInt(nullptr, 7), 7);
}

TEST(JsonArchive, FloatsRoundTripExactly)
{
    const float samples[] = { 0.1f, 1.f / 3, -123456.79f, 3.4028235e38f, 1e-45f, 16777217.f, 2.5e-3f };
    for (const float f : samples) {
        SCOPED_TRACE(f);
        MgJsonArchive ar;
        ar.writeFloat("f", f);
        MgJsonArchive back;
        ASSERT_TRUE(back.setText(ar.text()));
        EXPECT_EQ(back.readFloat("f", 0), f);
    }
}

TEST(JsonArchive, NonFiniteFloatsReadAsTheDefault)
{
    MgJsonArchive ar;
    ar.writeFloat("nan", std::numeric_limits<float>::quiet_NaN());
    ar.writeFloat("inf", std::numeric_limits<float>::infinity());
    const float values[3] = { 1, std::numeric_limits<float>::quiet_NaN(), 3 };
    ar.writeFloatArray("a", values, 3);
    EXPECT_EQ(ar.text(-1), R"({"nan":null,"inf":null,"a":[1.0,null,3.0]})");
    EXPECT_EQ(ar.readFloat("nan", 4), 4.f);
    EXPECT_EQ(ar.readFloat("inf", 4), 4.f);
    float read[3] = {};
    EXPECT_EQ(ar.readFloatArray("a", read, 3), 1); // stops at the first value that is no number
}

TEST(JsonArchive, ForgivingReads)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({
        "unsigned": 4278190335, "negative": -16776961, "big": 4294967296, "tooSmall": -2147483649,
        "whole": 12.0, "fraction": 12.5, "text": "12", "nothing": null, "list": [1],
        "byte": 255, "byteBig": 256, "byteNeg": -1,
        "true": true, "one": 1, "two": 2,
        "mixed": [1, 2, "x", 4], "number": 5
    })"));
    struct IntCase {
        const char* key;
        int expected;
    };
    const IntCase ints[] = {
        { "unsigned", -16776961 },
        { "negative", -16776961 },
        { "big", 99 },
        { "tooSmall", 99 },
        { "whole", 12 },
        { "fraction", 99 },
        { "text", 99 },
        { "nothing", 99 },
        { "list", 99 },
        { "true", 99 },
    };
    for (const IntCase& c : ints) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ar.readInt(c.key, 99), c.expected);
    }
    EXPECT_EQ(ar.readByte("byte", 9), 255);
    EXPECT_EQ(ar.readByte("byteBig", 9), 9);
    EXPECT_EQ(ar.readByte("byteNeg", 9), 9);
    EXPECT_TRUE(ar.readBool("true", false));
    EXPECT_TRUE(ar.readBool("one", false));
    EXPECT_TRUE(ar.readBool("two", true));
    EXPECT_FALSE(ar.readBool("two", false));
    EXPECT_FALSE(ar.readBool("text", false));
    EXPECT_EQ(ar.readFloat("whole", 0), 12.f);
    EXPECT_EQ(ar.readFloat("text", 1), 1.f);
    float read[4] = {};
    EXPECT_EQ(ar.readFloatArray("mixed", read, 4), 2);
    EXPECT_EQ(ar.readFloatArray("number", read, 4), 0); // not an array
}

TEST(JsonArchive, BadTextIsRefused)
{
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        { "empty", "" },
        { "truncated", R"({"a": [1, 2)" },
        { "trailing garbage", R"({"a": 1} x)" },
        { "array at the top", "[1, 2]" },
        { "number at the top", "3" },
        { "number beyond the float range", R"({"a": 1e39})" },
        { "invalid UTF-8", "{\"a\": \"\xff\"}" },
        { "nested too deep", std::string(10000, '[') + std::string(10000, ']') },
        { "objects nested too deep",
            [] {
                std::string s;
                for (int i = 0; i < MgJsonArchive::kMaxDepth + 1; ++i)
                    s += "{\"a\":";
                s += "1";
                return s + std::string(MgJsonArchive::kMaxDepth + 1, '}');
            }() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MgJsonArchive ar;
        ar.writeInt("old", 1);
        EXPECT_FALSE(ar.setText(c.text));
        EXPECT_EQ(ar.text(-1), "{}"); // emptied
        EXPECT_EQ(ar.depth(), 0);
    }

    // Brackets inside strings do not count as nesting.
    MgJsonArchive ar;
    EXPECT_TRUE(ar.setText("{\"a\": \"" + std::string(1000, '[') + "\\\"{\"}"));
    // kMaxDepth levels, the top object included, are still accepted.
    std::string deepest;
    for (int i = 0; i < MgJsonArchive::kMaxDepth - 1; ++i)
        deepest += "{\"a\":";
    EXPECT_TRUE(ar.setText("{\"x\":" + deepest + "1" + std::string(MgJsonArchive::kMaxDepth - 1, '}') + "}"));
}

TEST(JsonArchive, StringsAndEscapes)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"a\u00e9\ud83d\ude00": 1, "q\"\\\/\b\f\n\r\t": 2, "a": 3, "a": 4})"));
    EXPECT_EQ(ar.readInt("a\xC3\xA9\xF0\x9F\x98\x80", 0), 1);
    EXPECT_EQ(ar.readInt("q\"\\/\b\f\n\r\t", 0), 2);
    EXPECT_EQ(ar.readInt("a", 0), 4) << "a repeated name takes the later value in its first place";
    EXPECT_EQ(ar.text(-1), "{\"a\xC3\xA9\xF0\x9F\x98\x80\":1,\"q\\\"\\\\/\\b\\f\\n\\r\\t\":2,\"a\":4}");

    // Names written by a caller are escaped, and bytes that are no UTF-8 become U+FFFD.
    MgJsonArchive w;
    w.writeInt("k\x01\xff", 1);
    EXPECT_EQ(w.text(-1), "{\"k\\u0001\xEF\xBF\xBD\":1}");

    // A byte order mark before the document is allowed.
    EXPECT_TRUE(ar.setText("\xEF\xBB\xBF{\"b\": 1}"));
    EXPECT_EQ(ar.readInt("b", 0), 1);

    const struct {
        const char* name;
        const char* text;
    } bad[] = {
        { "lone high surrogate", R"({"\ud83d": 1})" },
        { "lone low surrogate", R"({"\ude00": 1})" },
        { "unknown escape", R"({"\x": 1})" },
        { "bad hex digit", R"({"\u12G4": 1})" },
        { "raw control character", "{\"a\tb\": 1}" },
        { "overlong UTF-8", "{\"\xC0\xAF\": 1}" },
        { "encoded surrogate", "{\"\xED\xA0\x80\": 1}" },
        { "unterminated", R"({"a": "b)" },
        { "name that is no string", "{a: 1}" },
        { "missing colon", R"({"a" 1})" },
        { "trailing comma", R"({"a": 1,})" },
        { "bare word", R"({"a": nul})" },
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ar.setText(c.text));
    }
}

TEST(JsonArchive, WrittenNamesAlwaysReadBack)
{
    // Whatever bytes a caller passes as a name, the text written is JSON the reader accepts, with
    // U+FFFD where the bytes were no UTF-8 and the well-formed parts kept.
    const struct {
        const char* name;
        const char* written;
        const char* readBack;
    } cases[] = {
        { "cut off before ASCII", "a\xE2\x82z", "a\xEF\xBF\xBDz" },
        { "cut off at the end", "x\xF0\x9F\x98", "x\xEF\xBF\xBD" },
        { "continuation bytes alone", "\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD" },
        { "well-formed", "ok\xC3\xA9", "ok\xC3\xA9" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MgJsonArchive ar;
        ar.writeInt(c.written, 1);
        MgJsonArchive back;
        ASSERT_TRUE(back.setText(ar.text()));
        EXPECT_EQ(back.readInt(c.readBack, 0), 1);
    }
}

TEST(JsonArchive, NumberTexts)
{
    const struct {
        float value;
        const char* text;
    } written[] = {
        { 123456.f, "123456.0" },
        { 1234567.f, "1.234567e+06" },
        { -0.f, "-0.0" },
        { 0.0001f, "0.0001" },
        { 0.00001f, "1e-05" },
        { -2.5e20f, "-2.5e+20" },
        { 1e-45f, "1e-45" },
    };
    for (const auto& c : written) {
        SCOPED_TRACE(c.text);
        MgJsonArchive ar;
        ar.writeFloat("f", c.value);
        EXPECT_EQ(ar.text(-1), std::string("{\"f\":") + c.text + "}");
    }

    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"tiny": 1e-50, "tinier": -1e-400, "huge": 18446744073709551616,
        "low": -9223372036854775809, "max": 18446744073709551615, "e": 2E+2})"));
    EXPECT_EQ(ar.readFloat("tiny", 1), 0.f);
    EXPECT_EQ(ar.readFloat("tinier", 1), 0.f);
    EXPECT_EQ(ar.readFloat("huge", 0), 18446744073709551616.f);
    EXPECT_EQ(ar.readInt("huge", 7), 7);
    EXPECT_EQ(ar.readFloat("low", 0), -9223372036854775808.f);
    EXPECT_EQ(ar.readInt("max", 7), 7);
    EXPECT_EQ(ar.readInt("e", 7), 200);

    for (const char* number : { "01", "1.", ".5", "-", "+1", "1e", "1e+", "0x10", "NaN", "Infinity", "--1" }) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(ar.setText(std::string("{\"n\": ") + number + "}"));
    }
}

TEST(JsonArchive, RefusedElementLeavesTheDocumentAsItWas)
{
    MgJsonArchive ar;
    ar.writeInt("item", 5);
    EXPECT_FALSE(ar.writeNode("item", 1, false));
    EXPECT_FALSE(ar.writeNode("other", 2, false));
    EXPECT_EQ(ar.text(-1), R"({"item":5})");
    ASSERT_TRUE(ar.writeNode("list", 0, false));
    ASSERT_TRUE(ar.writeNode("list", 0, true));
    EXPECT_FALSE(ar.writeNode("list", 2, false)); // past the end of an existing array
    EXPECT_EQ(ar.text(-1), R"({"item":5,"list":[{}]})");
    EXPECT_EQ(ar.depth(), 0);
}

TEST(JsonArchive, Files)
{
    char pattern[] = "/tmp/lindqua_json_XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string path = pattern;

    MgJsonArchive ar;
    ar.writeInt("a", 1);
    ASSERT_TRUE(ar.writeFile(path));
    MgJsonArchive back;
    ASSERT_TRUE(back.readFile(path));
    EXPECT_EQ(back.readInt("a", 0), 1);
    std::remove(path.c_str());
    EXPECT_FALSE(back.readFile(path));
    EXPECT_EQ(back.text(-1), "{}");
    EXPECT_FALSE(ar.writeFile("/nonexistent-folder/x.json"));
}

// ---- Whole documents ----

TEST(JsonDocument, RoundTripKeepsEveryShape)
{
    for (const bool document : { true, false }) {
        SCOPED_TRACE(document ? "document mode" : "plain mode");
        Owned<MgShapesT<>> shapes(MgShapesT<>::create(document));
        addSixKinds(*shapes);
        ASSERT_EQ(shapes->shapeCount(), 6);
        // Ids that are not simply 1..6.
        Owned<MgShape> removed(shapes->removeShape(2));
        Owned<MgShapeT<MgRect>> extra = makeRect(MgBox(-3, -4, 5, 6), 12);
        extra->setParent(nullptr, 40);
        shapes->addShapeCopy(*extra);
        shapes->addShapeCopy(*removed);
        shapes->setViewScaleCenter(1.75f, MgPoint(-3, 12.5f));

        MgJsonArchive ar;
        ASSERT_TRUE(shapes->save(ar, 0));
        EXPECT_EQ(ar.depth(), 0);
        MgJsonArchive parsed;
        ASSERT_TRUE(parsed.setText(ar.text()));

        Owned<MgShapesT<>> loaded(MgShapesT<>::create(document));
        ASSERT_TRUE(loaded->load(parsed, false));
        EXPECT_EQ(parsed.depth(), 0);
        ASSERT_EQ(loaded->shapeCount(), shapes->shapeCount());
        MgShapes::Iterator a = nullptr, b = nullptr;
        int n = 0;
        for (MgShape *x = shapes->firstShape(a), *y = loaded->firstShape(b); x && y;
             x = shapes->nextShape(a), y = loaded->nextShape(b), ++n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(y->typeId(), x->typeId());
            EXPECT_TRUE(y->equals(*x));
            EXPECT_EQ(y->id(), x->id());
            EXPECT_EQ(y->parent(), loaded.get());
            EXPECT_EQ(y->shape().extent(), x->shape().extent());
        }
        shapes->freeIterator(a);
        loaded->freeIterator(b);
        EXPECT_EQ(n, 7);
        if (document) {
            EXPECT_EQ(loaded->viewScale(), 1.75f);
            EXPECT_EQ(loaded->viewCenter(), MgPoint(-3, 12.5f));
        }

        // Saving what was loaded gives the same text.
        MgJsonArchive again;
        ASSERT_TRUE(loaded->save(again, 0));
        EXPECT_EQ(again.text(), ar.text());
    }
}

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(JsonDocument, SmallDocumentMatchesTheReviewedText)
{
    const std::string path = std::string(LINDQUA_SOURCE_DIR) + "/tests/shape/fixtures/small_shapedoc.json";
    const std::string expected = readWhole(path);
    ASSERT_FALSE(expected.empty()) << "missing fixture " << path;

    Owned<MgShapesT<>> shapes(MgShapesT<>::create(true));
    addRect(
        *shapes, MgBox(10, 20, 110, 70), (1 << 16) | 1, GiContext(kGiLineSolid, 0, GiRgba(255, 0, 0), GiRgba::none()));
    Owned<MgShapeT<MgLine>> line(MgShapeT<MgLine>::create());
    line->m_shape.setPointAt(0, MgPoint(0, 0));
    line->m_shape.setPointAt(1, MgPoint(2.5f, -1));
    line->m_context = GiContext(kGiLineDash, -2, GiRgba(0, 0, 255, 128), GiRgba::none());
    shapes->addShapeCopy(*line);

    MgJsonArchive ar;
    ASSERT_TRUE(shapes->save(ar, 0));
    EXPECT_EQ(ar.text() + "\n", expected);

    // And the reviewed text loads back into the same shapes.
    MgJsonArchive fixture;
    ASSERT_TRUE(fixture.readFile(path));
    Owned<MgShapesT<>> loaded(MgShapesT<>::create(true));
    ASSERT_TRUE(loaded->load(fixture, false));
    ASSERT_EQ(loaded->shapeCount(), 2);
    EXPECT_TRUE(loaded->findShape(1)->equals(*shapes->findShape(1)));
    EXPECT_TRUE(loaded->findShape(2)->equals(*shapes->findShape(2)));
}

} // namespace
