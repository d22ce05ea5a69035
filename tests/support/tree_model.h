// A model of the host tree's lookups, written apart from the product's code
// so the two can be compared, and the seeded generators of names and drive
// labels that feed both.
#pragma once
#include <random>
#include <string>
#include <vector>
#include "support/test_host.h"

struct Random {
    std::mt19937 engine;
    explicit Random(unsigned seed) : engine(seed) {}
    int Below(int n) { return (int)(engine() % (unsigned)n); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T> const T &Pick(const std::vector<T> &items) { return items[Below((int)items.size())]; }
};

// Code page 932 lead bytes.
bool IsLead(unsigned char byte);
// Tree texts are read into 256 bytes, so the product sees at most 255.
std::string AsRead(const std::string &text);
char ModelLetter(const std::string &text);
bool SameIgnoringAsciiCase(const std::string &a, const std::string &b);
// The next separator at or after from; a lead byte takes the byte after it.
size_t NextSeparator(const std::string &path, size_t from);

struct Walked {
    const HostNode *found = nullptr;
    const HostNode *deepest = nullptr;
};
Walked ModelWalk(const HostNode *computer, const std::string &path);

// Name pieces: ASCII, double-byte characters whose trail byte is "\" (表, ソ,
// 能) and others (日, あ), and half-width katakana.
extern const std::vector<std::string> NamePieces;
std::string RandomName(Random &random);
std::string RandomLabel(Random &random);

// Drives hang below root, Desktop and My Computer.
bool IsDriveNode(const HostNode *node);
std::string PathOfNode(const HostNode *node);

// Bytes outside printable ASCII as \xNN, so failures read the same anywhere.
std::string Escaped(const std::string &text);
