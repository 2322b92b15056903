#include "xfile/xfile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "xfile/binary_lexer.h"
#include "xfile/diagnostics.h"
#include "xfile/header.h"
#include "xfile/mesh_builder.h"
#include "xfile/mszip.h"
#include "xfile/object_reader.h"
#include "xfile/text_lexer.h"

namespace xfile {

const char* encodingName(Encoding e)
{
    switch (e) {
    case Encoding::Text:
        return "txt";
    case Encoding::Binary:
        return "bin";
    case Encoding::TextZip:
        return "tzip";
    case Encoding::BinaryZip:
        return "bzip";
    }
    return "?";
}

namespace {

bool loadImpl(const unsigned char* bytes, std::size_t size, MeshData& out, Scene* scene, LoadError& err)
{
    using namespace detail;
    FileHeader header;
    std::string headerWarning;
    if (!parseHeader(bytes, size, header, err.message, headerWarning))
        return false;
    out.encoding = header.encoding;
    out.floatBits = header.floatBits;
    Diagnostics diag(&out.warnings);
    if (!headerWarning.empty())
        diag.warn(headerWarning);

    const unsigned char* body = bytes + header.bodyOffset;
    std::size_t bodySize = size - header.bodyOffset;
    std::vector<char> inflated;
    const bool compressed = header.encoding == Encoding::TextZip || header.encoding == Encoding::BinaryZip;
    if (compressed) {
        std::string warning;
        if (!decompressMszip(body, bodySize, header.bodyOffset, inflated, err.message, warning))
            return false;
        if (!warning.empty())
            diag.warn(warning);
        body = reinterpret_cast<const unsigned char*>(inflated.data());
        bodySize = inflated.size();
    }

    MeshBuilder builder(out, diag);
    bool ok;
    if (header.encoding == Encoding::Text || header.encoding == Encoding::TextZip) {
        const char* text = reinterpret_cast<const char*>(body);
        TextLexer lex(text, text + bodySize, diag, compressed ? " of the decompressed text" : "");
        ok = readObjects(lex, builder, diag, scene);
    } else {
        BinaryLexer lex(body, body + bodySize, header.floatBits, diag, compressed ? 0 : header.bodyOffset,
                        compressed ? " of the decompressed data" : "");
        ok = readObjects(lex, builder, diag, scene);
    }
    inflated = std::vector<char>();
    if (ok && !builder.finish()) {
        err.cause = LoadError::Cause::NoMesh;  // all that finish() refuses
        ok = false;
    }
    if (!ok)
        err.message = diag.failed() ? diag.error() : std::string("malformed file");
    return ok;
}

bool loadBytes(const void* data, std::size_t size, MeshData& out, Scene* scene, LoadError& err)
{
    out = MeshData{};
    err = LoadError{};
    if (scene)
        *scene = Scene{};
    bool ok = false;
    try {
        ok = loadImpl(static_cast<const unsigned char*>(data), data ? size : 0, out, scene, err);
    } catch (const std::bad_alloc&) {
        err.message = "out of memory while reading the file";
        ok = false;
    } catch (const std::exception& e) {
        err.message = std::string("internal error: ") + e.what();
        ok = false;
    } catch (...) {
        err.message = "internal error";
        ok = false;
    }
    if (!ok) {
        std::vector<std::string> warnings;
        warnings.swap(out.warnings);
        out = MeshData{};
        out.warnings.swap(warnings);
        if (scene)
            *scene = Scene{};
        if (err.message.empty())
            err.message = "malformed file";
    }
    return ok;
}

bool loadFile(const std::string& path, MeshData& out, Scene* scene, LoadError& err)
{
    out = MeshData{};
    if (scene)
        *scene = Scene{};
    // Only a regular file is read, and no more of it than a decompressed body
    // may hold: a device such as /dev/zero never ends, and opening a FIFO
    // would wait for a writer.
    constexpr std::size_t kMaxFileBytes = detail::kMaxDecompressedBytes;
    const std::string tooLarge =
        path + " is larger than the " + std::to_string(kMaxFileBytes >> 20) + " MiB a model file may have";
#if defined(__unix__) || defined(__APPLE__)
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        err.cause = LoadError::Cause::Unreadable;
        err.message = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        err.cause = LoadError::Cause::Unreadable;
        err.message = "cannot read " + path + ": not a regular file";
        return false;
    }
    if (std::uintmax_t(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        err.cause = LoadError::Cause::Unreadable;
        err.message = tooLarge;
        return false;
    }
    const std::size_t size = std::size_t(st.st_size);
    if (size > 0) {
        // Mapping the file spares a copy of it, which matters for big text files.
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* map = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
        if (map != MAP_FAILED) {
            ::close(fd);
            const bool ok = loadBytes(map, size, out, scene, err);
            ::munmap(map, size);
            return ok;
        }
    }
    std::vector<unsigned char> bytes;
    bool readOk = true;
    try {
        bytes.resize(size);
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, bytes.data() + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                readOk = n == 0;
                break;
            }
            got += std::size_t(n);
        }
        bytes.resize(got);  // a file that shrank while read is read as it now is
    } catch (const std::bad_alloc&) {
        ::close(fd);
        err.cause = LoadError::Cause::Unreadable;
        err.message = "out of memory reading " + path;
        return false;
    }
    ::close(fd);
#else
    std::vector<unsigned char> bytes;
    bool readOk = true;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        err.cause = LoadError::Cause::Unreadable;
        err.message = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    try {
        unsigned char chunk[1 << 16];
        for (;;) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
            bytes.insert(bytes.end(), chunk, chunk + n);
            if (bytes.size() > kMaxFileBytes) {
                std::fclose(f);
                err.cause = LoadError::Cause::Unreadable;
                err.message = tooLarge;
                return false;
            }
            if (n < sizeof chunk) {
                readOk = !std::ferror(f);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        err.cause = LoadError::Cause::Unreadable;
        err.message = "out of memory reading " + path;
        return false;
    }
    std::fclose(f);
#endif
    if (!readOk) {
        err.cause = LoadError::Cause::Unreadable;
        err.message = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return loadBytes(bytes.data(), bytes.size(), out, scene, err);
}

}  // namespace

bool loadMesh(const void* data, std::size_t size, MeshData& out, LoadError& err)
{
    return loadBytes(data, size, out, nullptr, err);
}

bool loadMeshFile(const std::string& path, MeshData& out, LoadError& err)
{
    return loadFile(path, out, nullptr, err);
}

bool loadScene(const void* data, std::size_t size, MeshData& mesh, Scene& scene, LoadError& err)
{
    return loadBytes(data, size, mesh, &scene, err);
}

bool loadSceneFile(const std::string& path, MeshData& mesh, Scene& scene, LoadError& err)
{
    return loadFile(path, mesh, &scene, err);
}

}  // namespace xfile
