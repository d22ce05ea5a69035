// The tree model and the name generators shared by the randomized tests and
// the soak.
#include "support/tree_model.h"
#include <windows.h>
#include <cctype>

bool IsLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

std::string AsRead(const std::string &text) { return text.substr(0, 255); }

char ModelLetter(const std::string &text)
{
    size_t at = text.find(":)");
    if (at == std::string::npos || at < 2 || text[at - 2] != '(')
        return 0;
    return text[at - 1] >= 'A' && text[at - 1] <= 'Z' ? text[at - 1] : 0;
}

bool SameIgnoringAsciiCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

size_t NextSeparator(const std::string &path, size_t from)
{
    for (size_t i = from; i < path.size(); ++i) {
        if (IsLead((unsigned char)path[i])) {
            if (++i >= path.size())
                return std::string::npos;
        } else if (path[i] == '\\') {
            return i;
        }
    }
    return std::string::npos;
}

Walked ModelWalk(const HostNode *computer, const std::string &path)
{
    Walked result;
    const HostNode *current = nullptr;
    for (auto &drive : computer->children)
        if (!path.empty() && path[0] != '\0' && ModelLetter(AsRead(drive->text)) == path[0]) {
            current = drive.get();
            break;
        }
    if (current == nullptr)
        return result;
    size_t separator = NextSeparator(path, 0);
    while (separator != std::string::npos) {
        result.deepest = current;
        size_t next = NextSeparator(path, separator + 1);
        if (next == std::string::npos)
            break;
        std::string component = path.substr(separator + 1, next - separator - 1);
        const HostNode *child = nullptr;
        if (component.size() < 256)
            for (auto &candidate : current->children)
                if (SameIgnoringAsciiCase(AsRead(candidate->text), component)) {
                    child = candidate.get();
                    break;
                }
        if (child == nullptr)
            return result;
        current = child;
        separator = next;
    }
    result.found = current;
    return result;
}

const std::vector<std::string> NamePieces = {
    "a", "B", "c", "X", "z", "0", "7", " ", "Data", "win", "\x95\x5C", "\x83\x5C", "\x94\x5C", "\x93\xFA",
    "\x82\xA0", "\xB1", "\xDD",
};

std::string RandomName(Random &random)
{
    std::string name;
    int pieces = 1 + random.Below(6);
    for (int i = 0; i < pieces; ++i)
        name += random.Pick(NamePieces);
    if (random.Chance(5))   // longer than the 255 and 259 bytes a read can hold
        name += std::string(random.Pick(std::vector<int>{250, 256, 260, 300}), 'q');
    return name;
}

std::string RandomLabel(Random &random)
{
    std::string label = RandomName(random);
    if (random.Chance(10))
        label += std::string(240 + random.Below(30), 'p');
    std::string drive = random.Chance(80) ? std::string("(") + char('A' + random.Below(26)) + ":)"
                                          : random.Pick(std::vector<std::string>{
                                                "(d:)", "D:)", ":)", "((:)", "(:)", "(\x82\x60:)", ")"});
    // Only between characters: a lead byte before "(" would not be CP932.
    std::vector<size_t> boundaries = {0};
    for (size_t i = 0; i < label.size(); boundaries.push_back(i))
        i += IsLead((unsigned char)label[i]) ? 2 : 1;
    label.insert(random.Pick(boundaries), drive);
    if (random.Chance(20))
        label += random.Pick(std::vector<std::string>{" (E:)", ":)", "(Z:)"});
    return label;
}

bool IsDriveNode(const HostNode *node)
{
    int depth = 0;
    for (; node->parent != nullptr; node = node->parent)
        ++depth;
    return depth == 3;
}

std::string PathOfNode(const HostNode *node)
{
    std::string path;
    for (; !IsDriveNode(node); node = node->parent)
        path = node->text + "\\" + path;
    char letter = ModelLetter(node->text);
    return std::string(1, letter) + ":\\" + path;
}

std::string Escaped(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        char hex[8];
        wsprintfA(hex, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
        out += hex;
    }
    return out;
}

