#include "core/archive/CabUpdater.h"

#include <fcntl.h>
#include <libgcab.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>
#include <vector>

#include "core/archive/LibarchiveSupport.h"
#include "core/archive/LibarchiveUpdater.h"
#include "core/platform/PendingFile.h"
#include "core/platform/FileSystem.h"
#include "core/platform/LoadedLibrary.h"
#include "core/archive/Libarchive.h"

namespace romshelf::archive {

namespace {

// libgcab (and the GLib stack under it) is loaded on the first CAB written, not at every start:
// linking it made every run of the programs load nine more libraries, most of a command-line
// listing's start-up. The names are checked against the headers the code is compiled with.
struct Gcab {
#define ROMSHELF_GCAB_FUNCTIONS(X)   \
    X(g_object_unref)                \
    X(g_error_free)                  \
    X(g_file_new_for_path)           \
    X(g_file_open_readwrite)         \
    X(g_io_stream_get_output_stream) \
    X(g_io_stream_close)             \
    X(gcab_file_new_with_file)       \
    X(gcab_folder_new)               \
    X(gcab_folder_add_file)          \
    X(gcab_cabinet_new)              \
    X(gcab_cabinet_add_folder)       \
    X(gcab_cabinet_write_simple)
#define ROMSHELF_GCAB_MEMBER(name) decltype(&::name) name = nullptr;
    ROMSHELF_GCAB_FUNCTIONS(ROMSHELF_GCAB_MEMBER)
#undef ROMSHELF_GCAB_MEMBER
    bool loaded = false;

    Gcab() {
        static LoadedLibrary library("libgcab-1.0.so.0");
#define ROMSHELF_GCAB_RESOLVE(name) name = library.function<decltype(name)>(#name);
        ROMSHELF_GCAB_FUNCTIONS(ROMSHELF_GCAB_RESOLVE)
#undef ROMSHELF_GCAB_RESOLVE
        loaded = library.complete();
    }
};

// Null when libgcab cannot be loaded: CAB archives then cannot be written.
const Gcab* gcab() {
    static const Gcab library;
    return library.loaded ? &library : nullptr;
}

template <typename T>
struct GObjectDeleter {
    void operator()(T* p) const {
        if (p != nullptr) gcab()->g_object_unref(p);
    }
};
template <typename T>
using GRef = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error != nullptr) gcab()->g_error_free(error);
    }
};

// The old members are unpacked into a private folder beside the archive, because libgcab packs
// from files; the folder goes away with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& besidePath) {
        std::string folder = fs::pathFolder(besidePath);
        if (folder.empty()) folder = "./";
        std::string pattern = folder + ".romshelf-cab-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool addToFolder(GCabFolder* folder, const std::string& memberName, const std::string& path) {
    const Gcab& g = *gcab();
    GRef<GFile> file(g.g_file_new_for_path(path.c_str()));
    GRef<GCabFile> cabFile(g.gcab_file_new_with_file(memberName.c_str(), file.get()));
    GErrorHolder err;
    return g.gcab_folder_add_file(folder, cabFile.get(), FALSE, nullptr, &err.error);
}

// Writes the current member's data to `path`, with the member's time, so it is packed again
// as it was.
bool unpackMember(struct archive* r, struct archive_entry* entry, const std::string& path) {
    PendingFile out(path);
    if (!out.isOpen()) return false;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const la_ssize_t n = libarchive().archive_read_data(r, buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) break;
        if (!out.write(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return false;
    }
    if (libarchive().archive_entry_mtime_is_set(entry)) {
        const struct timespec times[2] = {{0, UTIME_OMIT},
                                          {libarchive().archive_entry_mtime(entry), 0}};
        ::futimens(out.fd(), times);
    }
    return out.commit(false);
}

bool addOtherMembers(GCabFolder* folder, const std::string& archivePath, const std::string& name,
                     const std::string& scratch) {
    ReadArchive r = openReader(ArchiveType::Cab, archivePath);
    if (!r) return false;
    struct archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    int count = 0;
    while ((status = libarchive().archive_read_next_header(r.get(), &entry)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
        const std::string memberName = entryPath(entry);
        if (memberName.empty()) return false;
        if (isSameMemberName(memberName, name)) continue;
        const std::string path = scratch + std::to_string(count++);
        if (!unpackMember(r.get(), entry, path) || !addToFolder(folder, memberName, path)) {
            return false;
        }
    }
    return status == ARCHIVE_EOF;
}

}  // namespace

bool addFileToCab(const std::string& archivePath, const std::string& filePath, bool flushToDisk) {
    Utf8LocaleScope utf8;
    if (!fs::fileExists(filePath)) return false;
    // An existing archive keeps its permissions; anything but a plain file there is refused.
    std::optional<unsigned> oldMode;
    if (!fs::regularFileMode(archivePath, oldMode)) return false;
    const bool exists = oldMode.has_value();
    const unsigned mode = oldMode.value_or(0644);

    const Gcab* g = gcab();
    if (!g) return false;
    GRef<GCabFolder> folder(g->gcab_folder_new(GCAB_COMPRESSION_MSZIP));
    ScratchFolder scratch(archivePath);
    if (!scratch.ok()) return false;
    const std::string name = fs::pathName(filePath);
    if (exists && !addOtherMembers(folder.get(), archivePath, name, scratch.path())) return false;
    if (!addToFolder(folder.get(), name, filePath)) return false;

    GRef<GCabCabinet> cabinet(g->gcab_cabinet_new());
    GErrorHolder err;
    if (!g->gcab_cabinet_add_folder(cabinet.get(), folder.get(), &err.error)) return false;

    PendingFile out(archivePath);
    if (!out.isOpen()) return false;
    GRef<GFile> target(g->g_file_new_for_path(out.temporaryPath().c_str()));
    // libgcab seeks back to fill in the header, so the stream must not be append-only.
    GRef<GFileIOStream> stream(g->g_file_open_readwrite(target.get(), nullptr, &err.error));
    if (!stream) return false;
    // A GFileIOStream is a GIOStream (its first member); the checked cast would need GLib linked.
    GIOStream* io = reinterpret_cast<GIOStream*>(stream.get());
    GOutputStream* output = g->g_io_stream_get_output_stream(io);
    const bool written = g->gcab_cabinet_write_simple(cabinet.get(), output, nullptr, nullptr,
                                                      nullptr, &err.error) &&
                         g->g_io_stream_close(io, nullptr, &err.error);
    return written && out.setMode(mode) && out.commit(flushToDisk);
}

}  // namespace romshelf::archive
