#pragma once
// Clean-up of a demo path typed on the command line or chosen in a dialog.

#include <string>

namespace fenlark {

// Turns a folder into its absolute, canonical form and remembers the last
// folder it accepted (it starts at the process's current folder).
class FolderCanonicalizer {
public:
    virtual ~FolderCanonicalizer() = default;
    // Makes `folder` current. A relative folder (or "") resolves against the
    // current one. Returns false, keeping the current folder, when it is refused.
    virtual bool setFolder(const std::string& folder) = 0;
    // The current folder as the platform reports it: a root keeps its trailing
    // separator ("/" or "C:\"), every other folder has none.
    virtual std::string folder() const = 0;
};

#ifdef _WIN32
// The Windows canonicaliser: existing folders as the system names them
// ("C:\Demos", links resolved, the letter case of the names on disk). A
// relative folder starts from the current one, "\x" from its drive.
class WindowsFolderCanonicalizer : public FolderCanonicalizer {
public:
    WindowsFolderCanonicalizer(); // starts at the current working folder
    bool setFolder(const std::string& folder) override;
    std::string folder() const override { return current_; }

private:
    std::string current_;
};
using SystemFolderCanonicalizer = WindowsFolderCanonicalizer;

// Windows also takes "/" between names; the path is split at either.
inline constexpr char PathSeparator = '\\';
inline constexpr const char* PathSeparators = "\\/";
#else
// The POSIX canonicaliser: realpath() of existing folders.
class PosixFolderCanonicalizer : public FolderCanonicalizer {
public:
    PosixFolderCanonicalizer(); // starts at the current working folder
    bool setFolder(const std::string& folder) override;
    std::string folder() const override { return current_; }

private:
    std::string current_;
};
using SystemFolderCanonicalizer = PosixFolderCanonicalizer;

inline constexpr char PathSeparator = '/';
inline constexpr const char* PathSeparators = "/";
#endif

// Rewrites `path` in place: drops one quotation mark at each end, then puts the
// folder part through the canonicaliser and joins it again with the file part.
// With the separator '\\' a '/' separates names too, as Windows reads paths.
// Returns false when the canonicaliser refused the folder (the path is then
// joined with the canonicaliser's previous folder).
bool NormalizeDemoPath(std::string& path, FolderCanonicalizer& canonicalizer,
                       char separator = PathSeparator);

} // namespace fenlark
