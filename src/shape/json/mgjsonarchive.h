// A storage tree kept as a JSON document.
//
// Mapping: a node entered with index -1 is a JSON object under its name; nodes entered with
// index 0, 1, ... are the elements of a JSON array under their name. Values are members of the
// current object: ints and bytes as JSON integers, bools as JSON booleans, floats as the
// shortest decimal that reads back as the same 32-bit float (a NaN or infinity is written as
// null), float arrays as JSON arrays. Members keep the order they were first written in. A name
// whose bytes are not UTF-8 is written with U+FFFD in place of each malformed sequence, so the
// text written always reads back.
//
// Reading is forgiving: a missing key, or a value of the wrong kind or out of range, answers the
// caller's default. An integer key also accepts the unsigned form of a 32-bit value
// (4278190335 reads as the int whose bits are 0xFF0000FF), so hand-written colours load.
//
// Cursor: reads and writes go to the node on top of a path that starts at the document's root
// object; readNode/writeNode(name, index, false) enter a child, the same call with ended true
// leaves it again (and is refused, changing nothing, when it does not name the current node).
//
// Reading text is strict JSON (RFC 8259; a leading byte order mark is skipped): comments,
// trailing commas, bad escapes, lone surrogates and malformed UTF-8 are refused. A repeated name
// keeps its first place and takes the later value.
//
// Nothing here throws: malformed text, a root that is not an object, a number beyond the range
// of a 32-bit float, nesting deeper than kMaxDepth and unreadable files are reported by a false
// result.
#pragma once

#include "shape/mgarchive.h"

#include <memory>
#include <string>
#include <string_view>

class MgJsonArchive : public MgArchive {
public:
    /// Deepest nesting of arrays and objects setText() accepts.
    static constexpr int kMaxDepth = 256;

    /// An empty document (the root object), cursor at the root.
    MgJsonArchive();
    ~MgJsonArchive() override;
    MgJsonArchive(const MgJsonArchive&) = delete;
    MgJsonArchive& operator=(const MgJsonArchive&) = delete;

    /// Empties the document and puts the cursor at the root.
    void clear();
    /// Replaces the document by the parsed text (UTF-8 JSON whose top level is an object) and
    /// puts the cursor at the root. On failure the document is empty and the result false.
    bool setText(std::string_view text);
    /// The whole document (whatever the cursor), indented by indent spaces per level; a negative
    /// indent gives one line.
    [[nodiscard]] std::string text(int indent = 2) const;
    /// setText() with the content of the file at path (UTF-8 path); false when it cannot be read.
    bool readFile(const std::string& path);
    /// Writes text() and a line end to the file at path; false when that failed.
    bool writeFile(const std::string& path) const;
    /// Number of nodes entered and not yet left (0 at the root).
    [[nodiscard]] int depth() const;

    bool readNode(const char* name, int index, bool ended) override;
    [[nodiscard]] unsigned char readByte(const char* name, unsigned char defValue) override;
    [[nodiscard]] int readInt(const char* name, int defValue) override;
    [[nodiscard]] bool readBool(const char* name, bool defValue) override;
    [[nodiscard]] float readFloat(const char* name, float defValue) override;
    [[nodiscard]] int readFloatArray(const char* name, float* values, int count) override;

    /// Opening an element index of a repeated node works for an existing element or for the
    /// next one (index equal to the number of elements); a larger index is refused.
    bool writeNode(const char* name, int index, bool ended) override;
    void writeByte(const char* name, unsigned char value) override;
    void writeInt(const char* name, int value) override;
    void writeBool(const char* name, bool value) override;
    void writeFloat(const char* name, float value) override;
    void writeFloatArray(const char* name, const float* values, int count) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
