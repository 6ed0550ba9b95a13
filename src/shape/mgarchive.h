// Storage interface: a tree of named nodes holding named values.
//
// Shapes and shape collections write themselves through this interface and read themselves
// back from it. Key names are plain ASCII. A node is entered with readNode/writeNode(name,
// index, false) and left with the same call and ended = true; index is -1 for a single child
// node and 0, 1, ... for the elements of a repeated node of that name.
//
// Reads never fail loudly: a missing key answers the caller's default, readFloatArray answers
// how many values it actually read, and readNode answers false for a missing node.
#pragma once

struct MgArchive {
    virtual ~MgArchive() = default;

    /// ended false: enters the child node name (index -1 single, >= 0 element of a repeated
    /// node); false when it does not exist. ended true: leaves it.
    virtual bool readNode(const char* name, int index, bool ended) = 0;
    [[nodiscard]] virtual unsigned char readByte(const char* name, unsigned char defValue) = 0;
    [[nodiscard]] virtual int readInt(const char* name, int defValue) = 0;
    [[nodiscard]] virtual bool readBool(const char* name, bool defValue) = 0;
    [[nodiscard]] virtual float readFloat(const char* name, float defValue) = 0;
    /// Fills up to count values and returns how many were read (0 when the key is missing).
    [[nodiscard]] virtual int readFloatArray(const char* name, float* values, int count) = 0;

    /// ended false: opens the child node name (index as for readNode); ended true: closes it.
    virtual bool writeNode(const char* name, int index, bool ended) = 0;
    virtual void writeByte(const char* name, unsigned char value) = 0;
    virtual void writeInt(const char* name, int value) = 0;
    virtual void writeBool(const char* name, bool value) = 0;
    virtual void writeFloat(const char* name, float value) = 0;
    /// Writes count values (count <= 0 writes an empty array).
    virtual void writeFloatArray(const char* name, const float* values, int count) = 0;

protected:
    MgArchive() = default;
    MgArchive(const MgArchive&) = default;
    MgArchive& operator=(const MgArchive&) = default;
};
