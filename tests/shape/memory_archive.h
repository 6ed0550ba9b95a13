// A flat in-memory MgArchive for the geometric shape tests: every key lives in one table (the
// shapes write no nodes of their own), so a test can inspect and doctor what a shape wrote.
#pragma once

#include "shape/mgarchive.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class MemoryArchive : public MgArchive {
public:
    std::map<std::string, double> scalars;
    std::map<std::string, std::vector<float>> arrays;

    bool readNode(const char*, int, bool) override { return true; }
    unsigned char readByte(const char* name, unsigned char def) override
    {
        return static_cast<unsigned char>(scalar(name, def));
    }
    int readInt(const char* name, int def) override { return static_cast<int>(scalar(name, def)); }
    bool readBool(const char* name, bool def) override { return scalar(name, def ? 1 : 0) != 0; }
    float readFloat(const char* name, float def) override { return static_cast<float>(scalar(name, def)); }
    int readFloatArray(const char* name, float* values, int count) override
    {
        const auto it = arrays.find(name);
        if (it == arrays.end() || count <= 0)
            return 0;
        const int n = std::min(count, static_cast<int>(it->second.size()));
        std::copy(it->second.begin(), it->second.begin() + n, values);
        return n;
    }

    bool writeNode(const char*, int, bool) override { return true; }
    void writeByte(const char* name, unsigned char value) override { scalars[name] = value; }
    void writeInt(const char* name, int value) override { scalars[name] = value; }
    void writeBool(const char* name, bool value) override { scalars[name] = value ? 1 : 0; }
    void writeFloat(const char* name, float value) override { scalars[name] = value; }
    void writeFloatArray(const char* name, const float* values, int count) override
    {
        arrays[name].assign(values, values + std::max(count, 0));
    }

private:
    double scalar(const char* name, double def) const
    {
        const auto it = scalars.find(name);
        return it == scalars.end() ? def : it->second;
    }
};
