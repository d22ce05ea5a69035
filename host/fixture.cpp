// Fixture trees: a UTF-8 text file that stands in for the drives, so demos
// and tests see the same folders on every machine. Drive labels sit at the
// left margin, each folder two spaces deeper than its parent; '#' starts a
// comment line.
#include "host.h"

enum { MaxEntries = 2048, MaxDepth = 64 };

static FixtureEntry entries[MaxEntries];
static int entryCount;
static BOOL loaded;

BOOL FixtureLoaded() { return loaded; }
int FixtureCount() { return entryCount; }

const FixtureEntry *FixtureAt(int index)
{
    return index >= 0 && index < entryCount ? &entries[index] : NULL;
}

static void TrimLineEnd(LPSTR line)
{
    int length = lstrlenA(line);
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == ' ' || line[length - 1] == '\t'))
        line[--length] = '\0';
}

// Adds one line of the file; depth is counted in two-space steps.
static BOOL AddLine(LPCSTR line, int *parents)
{
    int spaces = 0;
    while (line[spaces] == ' ')
        ++spaces;
    LPCSTR text = line + spaces;
    if (*text == '\0' || *text == '#')
        return TRUE;
    int depth = spaces / 2;
    if (depth >= MaxDepth || entryCount >= MaxEntries)
        return FALSE;
    if (depth > 0 && parents[depth - 1] < 0)
        return FALSE;   // indented deeper than any parent
    FixtureEntry *entry = &entries[entryCount];
    if (!Utf8ToAnsi(text, entry->name, (int)sizeof entry->name))
        return FALSE;
    if (depth == 0 && DriveLetterOfLabel(entry->name) == 0)
        return FALSE;   // a drive needs its "(X:)"
    entry->parent = depth == 0 ? -1 : parents[depth - 1];
    parents[depth] = entryCount;
    for (int d = depth + 1; d < MaxDepth; ++d)
        parents[d] = -1;
    ++entryCount;
    return TRUE;
}

BOOL LoadFixture(LPCSTR file)
{
    entryCount = 0;
    loaded = FALSE;
    HANDLE handle = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    static char content[256 * 1024];
    DWORD size = 0;
    BOOL read = ReadFile(handle, content, sizeof content - 1, &size, NULL);
    CloseHandle(handle);
    if (!read)
        return FALSE;
    content[size] = '\0';

    int parents[MaxDepth];
    for (int d = 0; d < MaxDepth; ++d)
        parents[d] = -1;
    LPSTR line = content;
    if ((BYTE)line[0] == 0xEF && (BYTE)line[1] == 0xBB && (BYTE)line[2] == 0xBF)
        line += 3;
    while (line != NULL && *line != '\0') {
        LPSTR next = line;
        while (*next != '\0' && *next != '\n')
            ++next;
        LPSTR following = *next == '\n' ? next + 1 : NULL;
        *next = '\0';
        TrimLineEnd(line);
        if (!AddLine(line, parents))
            return FALSE;
        line = following;
    }
    loaded = TRUE;
    return TRUE;
}

int FixtureChildren(int index, int *children, int limit)
{
    int count = 0;
    for (int i = 0; i < entryCount && count < limit; ++i) {
        if (entries[i].parent != index)
            continue;
        // Insertion sort: drives by letter, folders by name as Explorer does.
        int at = count++;
        while (at > 0) {
            const FixtureEntry *before = &entries[children[at - 1]];
            int order = index < 0
                ? DriveLetterOfLabel(before->name) - DriveLetterOfLabel(entries[i].name)
                : lstrcmpiA(before->name, entries[i].name);
            if (order <= 0)
                break;
            children[at] = children[at - 1];
            --at;
        }
        children[at] = i;
    }
    return count;
}
