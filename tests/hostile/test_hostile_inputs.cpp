// Hostile files made at test time from the delivered models and textures:
// cut short at many offsets, bytes flipped, counts larger than the data,
// 2^31 and 2^32 counts, 100,000-deep nesting, unterminated strings and braces,
// decompression bombs and lying container sizes, truncated and lying images,
// and skinned, animated scenes with every fault their objects can have.
// Each is loaded in a child process limited to 512 MiB of address space and
// must end in a clean load or a clean error (a message, naming the file for a
// texture) within 2 s of CPU time; a model that loads must also hand out a
// scene that keeps every promise of xfile/scene.h and that poses to finite
// numbers at several times of every set. A summary of the figures is printed
// at the end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pose/pose.h"
#include "render/texture_loader.h"
#include "scene_checks.h"
#include "xfile/xfile.h"
#include "xfile_writer.h"

namespace {

// A sanitizer reserves terabytes of address space and runs several times
// slower: there the memory limit is left to it and the time limit widened.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORVANE_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ORVANE_SANITIZED)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
constexpr rlim_t kMemoryLimit = rlim_t(512) << 20;
constexpr double kCpuLimitMs = kSanitized ? 20000 : 2000;
constexpr int kHangMs =
    kSanitized ? 100000 : 10000;  // wall clock, for inputs that would wait rather than work

// A model is read with its scene, and posed at several times of every set.
enum class Kind { Model, Texture };

struct Outcome {
    enum { Loaded = 0, Refused = 1, SilentRefusal = 2, Threw = 3, BrokenScene = 4, NotFinite = 5 };
    int exitCode = -1;  // one of the above when the child ended normally
    int signal = 0;
    bool hung = false;
    double wallMs = 0, cpuMs = 0;
    long maxRssKiB = 0;
    std::string message;
};

// The figures the summary reports.
struct Figures {
    int inputs = 0, loaded = 0, refused = 0;
    double slowestCpuMs = 0, slowestWallMs = 0;
    std::string slowest;
    long largestKiB = 0, baselineKiB = 0;
    std::string largest;
};
Figures& figures()
{
    static Figures f;
    return f;
}

std::string readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return bytes.toStdString();
}

void writeAll(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Runs `load` in a child with the limits set. `load` returns an Outcome code
// and fills the message.
Outcome confined(const std::function<int(std::string&)>& load)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        // The decoders' own complaints would bury the report.
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDERR_FILENO);
        const rlimit memory{kMemoryLimit, kMemoryLimit};
        if (!kSanitized)
            setrlimit(RLIMIT_AS, &memory);
        const rlimit cpu{rlim_t(kCpuLimitMs / 1000) * 3,
                         rlim_t(kCpuLimitMs / 1000) * 3 +
                             1};  // a runaway loop ends here; the check is on the measured time
        setrlimit(RLIMIT_CPU, &cpu);
        std::string message;
        int code = Outcome::Threw;
        try {
            code = load(message);
        } catch (...) {
            message = "exception escaped the loader";
        }
        const std::size_t n = std::min<std::size_t>(message.size(), 4096);
        [[maybe_unused]] const ssize_t written = write(pipeFds[1], message.data(), n);
        _exit(code);
    }
    close(pipeFds[1]);
    Outcome outcome;
    char buffer[4096];
    pollfd watch{pipeFds[0], POLLIN, 0};
    for (;;) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const int left = kHangMs - int(elapsed.count());
        if (left <= 0 || poll(&watch, 1, left) == 0) {
            outcome.hung = true;
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        outcome.message.append(buffer, std::size_t(n));
    }
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    outcome.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    outcome.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    outcome.maxRssKiB = usage.ru_maxrss;
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    return outcome;
}

// Poses a loaded scene at times in and out of every set's range; true when
// every vertex and normal stays finite.
bool posedFinite(const xfile::Scene& scene, const xfile::MeshData& mesh)
{
    pose::Rig rig(scene, mesh);
    std::vector<float> positions = mesh.positions, normals = mesh.normals;
    for (std::size_t clip = 0; clip <= rig.clips().size(); ++clip)
        for (const double seconds : {0.0, 0.25, 1.0, -3.0, 1e12})
            if (clip < rig.clips().size() || seconds == 0) {
                rig.pose(clip < rig.clips().size() ? clip : std::size_t(pose::kNone), seconds, positions,
                         normals);
                for (const std::vector<float>* values : {&positions, &normals})
                    for (const float v : *values)
                        if (!std::isfinite(v))
                            return false;
            }
    return true;
}

class HostileInputs : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Decoding one JPEG here loads the image plug-ins once, before any child is made.
        QImage warm;
        warm.loadFromData(QByteArray::fromStdString(readAll(asset("Texture/sky1.jpg"))));
        if (figures().baselineKiB == 0)
            figures().baselineKiB = confined([](std::string&) { return 0; }).maxRssKiB;
    }

    static QString asset(const char* name) { return QDir(QStringLiteral(ORVANE_ASSET_DIR)).filePath(name); }

    std::string model(const char* name)
    {
        const std::string bytes = readAll(asset((std::string("X-File/") + name).c_str()));
        EXPECT_GT(bytes.size(), 16u) << name;
        return bytes;
    }
    std::string texture(const char* name)
    {
        const std::string bytes = readAll(asset((std::string("Texture/") + name).c_str()));
        EXPECT_GT(bytes.size(), 16u) << name;
        return bytes;
    }

    // Loads `bytes` as a model (a .x file) or a texture (a file with `suffix`)
    // and checks the outcome. Returns it for further checks.
    Outcome check(Kind kind, const std::string& name, const std::string& bytes, const char* suffix = ".x")
    {
        const std::string path = dir_.filePath(QString::number(++count_)).toStdString() + suffix;
        writeAll(path, bytes);
        const Outcome outcome = confined([&](std::string& message) {
            if (kind == Kind::Model) {
                xfile::MeshData mesh;
                xfile::Scene scene;
                xfile::LoadError error;
                if (xfile::loadSceneFile(path, mesh, scene, error)) {
                    message = xtest::sceneFault(mesh, scene);
                    if (!message.empty())
                        return int(Outcome::BrokenScene);
                    for (const std::string& w : scene.warnings)
                        message += w + "\n";
                    return posedFinite(scene, mesh) ? int(Outcome::Loaded) : int(Outcome::NotFinite);
                }
                message = error.message;
            } else {
                d3d::TextureLevels levels;
                if (d3d::loadTextureLevels(QString::fromStdString(path), levels, message))
                    return int(Outcome::Loaded);
                if (message.find(path) == std::string::npos)
                    return int(Outcome::SilentRefusal);
            }
            return int(message.empty() ? Outcome::SilentRefusal : Outcome::Refused);
        });
        std::remove(path.c_str());

        Figures& f = figures();
        ++f.inputs;
        f.loaded += outcome.exitCode == Outcome::Loaded;
        f.refused += outcome.exitCode == Outcome::Refused;
        if (outcome.cpuMs > f.slowestCpuMs)
            f.slowestCpuMs = outcome.cpuMs, f.slowestWallMs = outcome.wallMs, f.slowest = name;
        if (outcome.maxRssKiB > f.largestKiB)
            f.largestKiB = outcome.maxRssKiB, f.largest = name;

        EXPECT_FALSE(outcome.hung) << name << ": still running after " << kHangMs << " ms";
        EXPECT_EQ(outcome.signal, 0) << name << ": ended by signal " << outcome.signal;
        EXPECT_TRUE(outcome.exitCode == Outcome::Loaded || outcome.exitCode == Outcome::Refused)
            << name << ": exit " << outcome.exitCode
            << " (2: refused without a message naming the file, 3: threw, 4: broken scene, 5: posed to "
               "numbers "
               "that are not finite) "
            << outcome.message;
        EXPECT_LE(outcome.cpuMs, kCpuLimitMs) << name;
        return outcome;
    }

    QTemporaryDir dir_;
    int count_ = 0;
};

// ---------------------------------------------------------------------------
// Models

const char* const kModels[] = {"box.x", "city02_01.x", "tube.x", "vorkan_mozi.x"};

// The model in each encoding: text as delivered, binary, and both compressed.
std::vector<std::pair<std::string, std::string>> encodings(const std::string& text)
{
    const std::string body = text.substr(16);
    const std::string binary = xtest::textToBinary(body);
    return {{"txt", text},
            {"bin", xtest::header("bin ") + binary},
            {"tzip", xtest::mszip(xtest::header("tzip"), body)},
            {"bzip", xtest::mszip(xtest::header("bzip"), binary)}};
}

std::vector<std::size_t> cutPoints(std::size_t size, int count)
{
    std::vector<std::size_t> at{0, 1, 15, 16, 17, 20, 24, size - 1};
    for (int i = 1; i < count; ++i)
        at.push_back(size * std::size_t(i) / std::size_t(count));
    return at;
}

TEST_F(HostileInputs, ModelsCutShortAtManyOffsets)
{
    for (const QString& file : QDir(asset("X-File")).entryList({QStringLiteral("*.x")})) {
        const std::string text = model(file.toStdString().c_str());
        for (std::size_t at : cutPoints(text.size(), 6))
            check(Kind::Model, file.toStdString() + " cut at " + std::to_string(at), text.substr(0, at));
    }
    for (const char* name : kModels)
        for (const auto& [encoding, bytes] : encodings(model(name)))
            for (std::size_t at : cutPoints(bytes.size(), 16))
                check(Kind::Model, std::string(name) + " " + encoding + " cut at " + std::to_string(at),
                      bytes.substr(0, at));
}

TEST_F(HostileInputs, ModelsWithBytesFlipped)
{
    std::mt19937 random(11);
    for (const char* name : kModels)
        for (const auto& [encoding, bytes] : encodings(model(name)))
            for (int i = 0; i < 16; ++i) {
                std::string flipped = bytes;
                const int flips = 1 + int(random() % 16);
                for (int j = 0; j < flips; ++j)
                    flipped[random() % flipped.size()] = char(random());
                check(Kind::Model, std::string(name) + " " + encoding + " flipped #" + std::to_string(i),
                      flipped);
            }
}

// A skinned, animated model: two bones, a skin, and sets with every kind of
// key. Each fault below is written into it, then the file is read with its
// scene and posed.
const char kAnimatedModel[] = R"(xof 0303txt 0032
AnimTicksPerSecond { 4800; }
Frame Root {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Frame Tip {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,2,0,1;; }
 }
 Mesh Skin {
  4; -1;0;0;, 1;0;0;, 1;4;0;, -1;4;0;;
  2; 3;0,1,2;, 3;0,2,3;;
  MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,0,0;; }
  XSkinMeshHeader { 2; 2; 2; }
  SkinWeights { "Root"; 2; 0, 1; 1.0, 1.0; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  SkinWeights { "Tip"; 2; 2, 3; 1.0, 1.0; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,-2,0,1;; }
 }
}
AnimationSet Bend {
 Animation { { Tip }
  AnimationKey { 0; 3; 0;4;1,0,0,0;;, 2400;4;0.7071,0,0,0.7071;;, 4800;4;1,0,0,0;;; }
  AnimationKey { 1; 2; 0;3;1,1,1;;, 4800;3;2,2,2;;; }
  AnimationKey { 2; 2; 0;3;0,2,0;;, 4800;3;1,2,0;;; }
  AnimationOptions { 1; 0; }
 }
}
AnimationSet Still {
 Animation { { Root }
  AnimationKey { 4; 1; 10;16;1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;;; }
 }
}
)";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST_F(HostileInputs, AnimatedModelsWithFaultsArePosedFinite)
{
    const std::string base = kAnimatedModel;
    std::string millionKeys = "AnimationKey { 2; 1000000; ";
    for (int i = 0; i < 1000000; ++i)
        millionKeys += std::to_string(i * 7 % 100000) + ";3;" + std::to_string(i % 13) + ",1e30,-1e30;;" +
                       (i + 1 < 1000000 ? "," : ";");
    millionKeys += " }";
    std::string deep = "Frame D {";
    std::string deepAnimation;
    // As deep as the reader takes frames (deeper files are refused, above).
    for (int i = 0; i < 250; ++i)
        deep += " Frame D" + std::to_string(i) +
                " { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,1,0,1;; }";
    deep += std::string(251, '}');
    const std::pair<const char*, std::string> faults[] = {
        {"as written", base},
        {"weight index past the vertices", replaced(base, "2; 2, 3;", "2; 2, 99999;")},
        {"weight index 2^32 - 1", replaced(base, "2; 2, 3;", "2; 2, 4294967295;")},
        {"bone naming no frame", replaced(base, "\"Tip\";", "\"Nowhere\";")},
        {"weights not summing to one", replaced(base, "1.0, 1.0; 1,0,0,0", "7.5, 0.001; 1,0,0,0")},
        {"negative weights", replaced(base, "1.0, 1.0; 1,0,0,0", "-1.0, -2.0; 1,0,0,0")},
        {"empty SkinWeights", replaced(base, "2; 2, 3; 1.0, 1.0;", "0; ;;")},
        {"huge keys", replaced(base, "0;3;0,2,0;;", "0;3;3e38,-3e38,3e38;;")},
        {"keys past the float range", replaced(base, "0;3;1,1,1;;", "0;3;1e39,1e39,1e39;;")},
        {"huge offset", replaced(base, "0,-2,0,1;;", "0,-3e38,3e38,1;;")},
        {"zero quaternion", replaced(base, "2400;4;0.7071,0,0,0.7071;;", "2400;4;0,0,0,0;;")},
        {"times out of order", replaced(base, "0;4;1,0,0,0;;, 2400", "4800;4;1,0,0,0;;, 2400")},
        {"times repeated", replaced(base, "2400;4;0.7071", "0;4;0.7071")},
        {"zero tick rate", replaced(base, "AnimTicksPerSecond { 4800; }", "AnimTicksPerSecond { 0; }")},
        {"huge tick rate",
         replaced(base, "AnimTicksPerSecond { 4800; }", "AnimTicksPerSecond { 4294967295; }")},
        {"no keys", replaced(base, "AnimationKey { 4; 1; 10;16;1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;;; }",
                             "AnimationKey { 4; 0; ; }")},
        {"wrong value counts", replaced(base, "0;3;0,2,0;;", "0;5;0,2,0,4,4;;")},
        {"unknown key type", replaced(base, "AnimationKey { 1; 2;", "AnimationKey { 9; 2;")},
        {"empty sets", base + "AnimationSet Empty { }\nAnimationSet { }\n"},
        {"animation naming no frame", replaced(base, "{ Root }", "{ Ghost }")},
        {"a million keys",
         replaced(base, "AnimationKey { 2; 2; 0;3;0,2,0;;, 4800;3;1,2,0;;; }", millionKeys)},
        {"250-deep frames", replaced(base, "AnimationSet Bend", deep + "\nAnimationSet Bend")},
        {"deepest frame animated",
         replaced(replaced(base, "AnimationSet Bend", deep + "\nAnimationSet Bend"), "{ Root }", "{ D249 }")},
    };
    for (const auto& [what, text] : faults) {
        const Outcome outcome = check(Kind::Model, std::string("animated model, ") + what, text);
        // Faults the merged mesh does not need: the model loads and poses.
        EXPECT_EQ(outcome.exitCode, Outcome::Loaded) << what << ": " << outcome.message;
    }
    // The well-formed model cut short and flipped, in every encoding.
    std::mt19937 random(5);
    for (const auto& [encoding, bytes] : encodings(base)) {
        for (std::size_t at : cutPoints(bytes.size(), 24))
            check(Kind::Model, "animated model " + encoding + " cut at " + std::to_string(at),
                  bytes.substr(0, at));
        for (int i = 0; i < 24; ++i) {
            std::string flipped = bytes;
            for (int j = 0, flips = 1 + int(random() % 8); j < flips; ++j)
                flipped[random() % flipped.size()] = char(random());
            check(Kind::Model, "animated model " + encoding + " flipped #" + std::to_string(i), flipped);
        }
    }
}

// The integers of a text model that stand alone between separators: counts,
// indices and sizes. Returns their offsets and lengths.
std::vector<std::pair<std::size_t, std::size_t>> integers(const std::string& text)
{
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t i = 16; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])) ||
            std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '.' ||
            text[i - 1] == '-' || text[i - 1] == '_')
            continue;
        std::size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end < text.size() && (text[end] == ';' || text[end] == ','))
            found.emplace_back(i, end - i);
        i = end;
    }
    return found;
}

TEST_F(HostileInputs, ModelsWithCountsLargerThanTheData)
{
    const char* const huge[] = {"2147483647", "2147483648",           "4294967295",
                                "4294967296", "99999999999999999999", "1000000000"};
    for (const char* name : kModels) {
        const std::string text = model(name);
        const auto numbers = integers(text);
        ASSERT_GT(numbers.size(), 10u) << name;
        // The first numbers are the vertex count and the first indices;
        // the others are spread over the file.
        std::vector<std::size_t> picks;
        for (std::size_t i = 0; i < 6; ++i)
            picks.push_back(i);
        for (std::size_t i = 1; i <= 10; ++i)
            picks.push_back(numbers.size() * i / 11);
        for (std::size_t pick : picks)
            for (const char* value : huge) {
                std::string lying = text;
                lying.replace(numbers[pick].first, numbers[pick].second, value);
                const std::string what =
                    std::string(name) + " number " + std::to_string(pick) + " = " + value;
                check(Kind::Model, what + " txt", lying);
                if (pick < 6)
                    check(Kind::Model, what + " bin",
                          xtest::header("bin ") + xtest::textToBinary(lying.substr(16)));
            }
    }
    // Binary lists whose element count is 2^31 or 2^32 - 1 with a few values behind.
    for (std::uint32_t count : {0x80000000u, 0xFFFFFFFFu, 0x40000000u}) {
        for (int token : {6, 7}) {  // integer list, float list
            std::string binary = xtest::header("bin ");
            xtest::put16(binary, 1);  // a name token: "Mesh"
            xtest::put32(binary, 4);
            binary += "Mesh";
            xtest::put16(binary, 10);  // {
            xtest::put16(binary, std::uint16_t(token));
            xtest::put32(binary, count);
            for (int i = 0; i < 8; ++i)
                xtest::put32(binary, 1);
            check(Kind::Model,
                  "binary list of " + std::to_string(count) + " (token " + std::to_string(token) + ")",
                  binary);
        }
        std::string name = xtest::header("bin ");
        xtest::put16(name, 1);
        xtest::put32(name, count);
        name += "Mesh";
        check(Kind::Model, "binary name of length " + std::to_string(count), name);
        std::string string = xtest::header("bin ");
        xtest::put16(string, 2);
        xtest::put32(string, count);
        string += "abc";
        check(Kind::Model, "binary string of length " + std::to_string(count), string);
    }
}

TEST_F(HostileInputs, ModelsNested100000Deep)
{
    const std::string text = model("box.x");
    const std::string head = text.substr(0, 16), body = text.substr(16);
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        out.reserve(s.size() * std::size_t(n));
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const std::string closing(100000, '}');
    const std::pair<const char*, std::string> nested[] = {
        {"open braces", head + repeat("{", 100000)},
        {"frames", head + repeat("Frame F {", 100000) + body},
        {"frames closed", head + repeat("Frame F {", 100000) + body + closing},
        {"unknown objects closed", head + repeat("Thing {", 100000) + body + closing},
        {"references", head + body + repeat("{ Box ", 100000)},
        {"meshes", head + repeat("Mesh {", 100000)},
        {"frame transform", head + repeat("Frame { FrameTransformMatrix {", 50000) + closing},
        {"template", head + "template T { <00000000-0000-0000-0000-000000000000> " + repeat("[", 100000)},
    };
    for (const auto& [what, bytes] : nested) {
        check(Kind::Model, std::string("nested ") + what + " txt", bytes);
        check(Kind::Model, std::string("nested ") + what + " bin",
              xtest::header("bin ") + xtest::textToBinary(bytes.substr(16)));
        check(Kind::Model, std::string("nested ") + what + " tzip",
              xtest::mszip(xtest::header("tzip"), bytes.substr(16)));
    }
}

TEST_F(HostileInputs, ModelsWithUnterminatedStringsAndBraces)
{
    for (const char* name : kModels) {
        const std::string text = model(name);
        std::string noClosing = text;
        std::erase(noClosing, '}');
        check(Kind::Model, std::string(name) + " without closing braces", noClosing);
        std::string noOpening = text;
        std::erase(noOpening, '{');
        check(Kind::Model, std::string(name) + " without opening braces", noOpening);
        const std::size_t mesh = text.find("Mesh");
        ASSERT_NE(mesh, std::string::npos) << name;
        for (const char* tail :
             {"\"", "\"abc", "<", "<3D82AB5E-62DA", "[", "//", "#", "{", "Mesh {", "1.5e"}) {
            check(Kind::Model, std::string(name) + " ending in " + tail, text + tail);
            check(Kind::Model, std::string(name) + " with " + tail + " before its mesh",
                  text.substr(0, mesh) + tail + text.substr(mesh));
        }
        std::string quoted = text;
        for (std::size_t at = quoted.find('"'); at != std::string::npos; at = quoted.find('"', at + 1))
            quoted[at] = ' ';
        quoted.insert(mesh, "TextureFilename { \"");
        check(Kind::Model, std::string(name) + " with a string open to the end", quoted);
    }
}

// One MSZIP block: `declared` uncompressed bytes, holding the deflated `data`.
std::string block(const std::string& data, unsigned declared) { return xgen::msZipBlock(data, declared); }

// A skinned, animated model of our own: the delivered models have neither.
std::string skinnedModel(const std::string& frames, const std::string& weights, const std::string& animation)
{
    const char* identity = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;";
    return xtest::header("txt ") + "\nFrame Root {\n FrameTransformMatrix { " + identity + " }\n" + frames +
           " Frame Body {\n  Mesh Tri {\n   4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 1.0;1.0;0.0;;\n"
           "   2; 3;0,1,2;, 3;1,3,2;;\n   XSkinMeshHeader { 2; 3; 2; }\n" +
           (weights.empty()
                ? "   SkinWeights { \"Root\"; 3; 0, 1, 2; 1.0, 0.5, 1.0; " + std::string(identity) +
                      " }\n   SkinWeights { \"Body\"; 2; 1, 3; 0.5, 1.0; " + identity + " }\n"
                : weights) +
           "  }\n }\n}\nAnimTicksPerSecond { 30; }\n" +
           (animation.empty() ? "AnimationSet Walk { Animation { {Body} AnimationKey { 0; 2; 0; 4; "
                                "1.0,0.0,0.0,0.0;;, 10; 4; 0.0,1.0,0.0,0.0;;; } AnimationKey { 2; 2; 0; 3; "
                                "0.0,0.0,0.0;;, 10; 3; 1.0,2.0,3.0;;; } AnimationOptions { 0; 1; } } }\n"
                              : animation);
}

TEST_F(HostileInputs, ScenesWithEveryFaultOfSkinsAndAnimations)
{
    const std::string base = skinnedModel("", "", "");
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        out.reserve(s.size() * std::size_t(n));
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const char* identity = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;";
    // Each must load the mesh and put its fault into the scene's warnings.
    const std::pair<const char*, std::string> loads[] = {
        {"weight indices past the vertices",
         skinnedModel("",
                      "SkinWeights { \"Body\"; 3; 0, 4, 4294967295; 1.0, 1.0, 1.0; " + std::string(identity) +
                          " }\n",
                      "")},
        {"a bone naming no frame",
         skinnedModel("", "SkinWeights { \"Nobody\"; 1; 0; 1.0; " + std::string(identity) + " }\n", "")},
        {"empty SkinWeights",
         skinnedModel("", "SkinWeights { \"Body\"; 0; " + std::string(identity) + " }\n", "")},
        {"SkinWeights with a count past the file",
         skinnedModel("", "SkinWeights { \"Body\"; 4294967295; 0; 1.0; }\n", "")},
        {"NaN, infinite and huge keys",
         skinnedModel("", "",
                      "AnimationSet A { Animation { {Body} AnimationKey { 1; 2; 0; 3; "
                      "1.#QNAN0,1.#INF00,1e38;;, 5; 3; 3.4e38,-3.4e38,1e-45;;; } } }\n")},
        {"key times out of order and repeated",
         skinnedModel("", "",
                      "AnimationSet A { Animation { {Body} AnimationKey { 2; 4; 9; 3; 1.0,1.0,1.0;;, 3; 3; "
                      "2.0,2.0,2.0;;, 3; 3; 3.0,3.0,3.0;;, 0; 3; 0.0,0.0,0.0;;; } } }\n")},
        {"a zero tick rate", skinnedModel("", "", "AnimTicksPerSecond { 0; }\n")},
        {"a negative tick rate", skinnedModel("", "", "AnimTicksPerSecond { -30; }\n")},
        {"a key count of 2^32 - 1", skinnedModel("", "",
                                                 "AnimationSet A { Animation { {Body} AnimationKey { 2; "
                                                 "4294967295; 0; 3; 1.0,2.0,3.0;;; } } }\n")},
        {"a value count of 2^32 - 1", skinnedModel("", "",
                                                   "AnimationSet A { Animation { {Body} AnimationKey { 2; 1; "
                                                   "0; 4294967295; 1.0,2.0,3.0;;; } } }\n")},
        {"value counts unlike the key type",
         skinnedModel(
             "", "",
             "AnimationSet A { Animation { {Body} AnimationKey { 0; 2; 0; 3; 1.0,2.0,3.0;;, 1; 16; " +
                 std::string(identity) +
                 "; } AnimationKey { 4; 1; 0; 4; 1.0,0.0,0.0,0.0;;; } AnimationKey { 7; 1; 0; 1; 1.0;;; } } "
                 "}\n")},
        {"empty sets and animations", skinnedModel("", "",
                                                   "AnimationSet A { } AnimationSet B { Animation { } "
                                                   "Animation { {Body} AnimationKey { 2; 0; } } }\n")},
        {"an animation naming no frame",
         skinnedModel(
             "", "",
             "AnimationSet A { Animation { {Nowhere} AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } } }\n")},
        {"a compressed animation set",
         skinnedModel("", "", "CompressedAnimationSet { 4; 30.0; 0; 2; 1, 2; }\n")},
        {"a word inside the keys",
         skinnedModel("", "",
                      "AnimationSet A { Animation { {Body} AnimationKey { 2; 1; 0; 3; 1.0,x,3.0;;; } } }\n")},
        {"255 frames deep with animation",
         skinnedModel(repeat("Frame Deep {\n", 250) + std::string(250, '}'), "", "")},
    };
    for (const auto& [what, bytes] : loads) {
        for (const auto& [encoding, encoded] : encodings(bytes)) {
            const Outcome outcome =
                check(Kind::Model, std::string("scene with ") + what + " " + encoding, encoded);
            EXPECT_EQ(outcome.exitCode, Outcome::Loaded)
                << what << " " << encoding << ": " << outcome.message;
            // (The test's binary writer turns some faults into other values: "-30" into a
            // large count, "1.#QNAN0" into 1; the text forms keep every fault.)
            const bool text = encoding == "txt" || encoding == "tzip";
            if (text && std::string(what) != "255 frames deep with animation") {
                EXPECT_FALSE(outcome.message.empty()) << what << " " << encoding << ": no warning";
            }
        }
    }
    {
        // A million keys, out of order: memory in proportion, done in time.
        // (Built here and dropped after: a child shares the address space
        // limit with what this process holds.)
        std::string keys = "AnimationSet Big { Animation { {Body} AnimationKey { 2; 1000000;\n";
        keys.reserve(24u << 20);
        char number[16];
        for (int i = 0; i < 1000000; ++i) {
            const auto end =
                std::to_chars(number, number + sizeof number, (std::uint64_t(i) * 7919) % 1000000).ptr;
            keys.append(number, end).append(";3;1.0,2.0,3.0;;,");
        }
        keys.back() = ';';
        keys += "\n} } }\n";
        const Outcome outcome = check(Kind::Model, "scene with a million keys", skinnedModel("", "", keys));
        EXPECT_EQ(outcome.exitCode, Outcome::Loaded) << outcome.message;
        EXPECT_NE(outcome.message.find("out of order"), std::string::npos) << outcome.message;
    }
    // 100,000-deep frames holding the skinned model: a clear message, no stack overflow.
    const Outcome deep = check(Kind::Model, "scene under 100,000 frames",
                               xtest::header("txt ") + repeat("Frame F {", 100000) + base.substr(16) +
                                   std::string(100000, '}'));
    EXPECT_EQ(deep.exitCode, Outcome::Refused);
    EXPECT_NE(deep.message.find("nested"), std::string::npos) << deep.message;
    // And the skinned model cut short and flipped in every encoding.
    std::mt19937 random(29);
    for (const auto& [encoding, bytes] : encodings(base)) {
        for (std::size_t at : cutPoints(bytes.size(), 32))
            check(Kind::Model, "skinned " + encoding + " cut at " + std::to_string(at), bytes.substr(0, at));
        for (int i = 0; i < 32; ++i) {
            std::string flipped = bytes;
            for (int j = 0, flips = 1 + int(random() % 8); j < flips; ++j)
                flipped[16 + random() % (flipped.size() - 16)] = char(random());
            check(Kind::Model, "skinned " + encoding + " flipped #" + std::to_string(i), flipped);
        }
    }
}

TEST_F(HostileInputs, DecompressionBombsAndLyingContainerSizes)
{
    // Honest blocks of spaces, each inflating 32 KiB, adding up to a lot.
    const std::string spaces = block(std::string(32768, ' '), 32768);
    for (std::uint64_t total : {std::uint64_t(64) << 20, std::uint64_t(300) << 20, std::uint64_t(1) << 30}) {
        std::string bomb = xtest::header("tzip");
        xtest::put32(bomb, std::uint32_t(std::min<std::uint64_t>(total + 16, 0xFFFFFFFFu)));
        for (std::uint64_t n = 0; n < total; n += 32768)
            bomb += spaces;
        check(Kind::Model, "bomb of " + std::to_string(total >> 20) + " MiB of spaces", bomb);
    }
    // One block that inflates far past what it declares.
    check(Kind::Model, "one block of 50 MiB declaring 32 KiB",
          xtest::header("tzip") + std::string("\x10\x80\0\0", 4) + block(std::string(50u << 20, ' '), 32768));

    for (const char* name : kModels) {
        const std::string text = model(name);
        for (const auto& [encoding, bytes] : encodings(text)) {
            if (encoding != "tzip" && encoding != "bzip")
                continue;
            const std::string what = std::string(name) + " " + encoding;
            // The declared total: smaller, larger, 2^31, 2^32 - 1.
            for (std::uint32_t total : {0u, 15u, 16u, 17u, 0x80000000u, 0xFFFFFFFFu,
                                        std::uint32_t(bytes.size()), std::uint32_t(text.size() * 2)}) {
                std::string lying = bytes;
                lying.replace(16, 4, std::string(reinterpret_cast<const char*>(&total), 4));
                check(Kind::Model, what + " declaring a total of " + std::to_string(total), lying);
            }
            // The first block's own sizes.
            for (unsigned declared : {0u, 1u, 32767u, 32769u, 65535u}) {
                std::string lying = bytes;
                lying[20] = char(declared & 0xFF), lying[21] = char(declared >> 8);
                check(Kind::Model, what + " first block declaring " + std::to_string(declared) + " bytes",
                      lying);
            }
            for (unsigned packed : {0u, 1u, 2u, 3u, 65535u}) {
                std::string lying = bytes;
                lying[22] = char(packed & 0xFF), lying[23] = char(packed >> 8);
                check(Kind::Model, what + " first block packing " + std::to_string(packed) + " bytes", lying);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Textures

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// An uncompressed or run-length (raw packets only) 24-bit TGA of `image`.
std::string tga(const QImage& image, bool runLength)
{
    std::string out(18, '\0');
    out[2] = char(runLength ? 10 : 2);
    out[12] = char(image.width() & 0xFF), out[13] = char(image.width() >> 8);
    out[14] = char(image.height() & 0xFF), out[15] = char(image.height() >> 8);
    out[16] = 24;
    out[17] = 0x20;  // top row first
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (runLength && x % 128 == 0)
                out += char(std::min(128, image.width() - x) - 1);
            const QRgb c = image.pixel(x, y);
            out += char(qBlue(c)), out += char(qGreen(c)), out += char(qRed(c));
        }
    return out;
}

// Every delivered texture, and PNG and TGA files made from them.
std::vector<std::pair<std::string, std::string>>
textureFiles(const std::function<std::string(const char*)>& read)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* name : {"1.bmp", "2.bmp", "City02_01.jpg", "earth1.jpg", "mars1.jpg", "sky1.jpg"})
        files.emplace_back(name, read(name));
    QImage image;
    image.loadFromData(QByteArray::fromStdString(read("City02_01.jpg")));
    image = image.scaled(96, 64);
    files.emplace_back("made.png", encode(image, "PNG").toStdString());
    files.emplace_back("made8.bmp",
                       encode(image.convertToFormat(QImage::Format_Indexed8), "BMP").toStdString());
    files.emplace_back("made.tga", tga(image, false));
    files.emplace_back("made-rle.tga", tga(image, true));
    return files;
}

std::string suffixOf(const std::string& name) { return name.substr(name.rfind('.')); }

TEST_F(HostileInputs, TexturesCutShortFailToLoad)
{
    for (const auto& [name, bytes] : textureFiles([this](const char* n) { return texture(n); })) {
        ASSERT_EQ(check(Kind::Texture, name, bytes, suffixOf(name).c_str()).exitCode, Outcome::Loaded)
            << name;
        // A PNG that loses only its closing chunk still holds every pixel.
        const std::size_t whole = name.ends_with(".png") ? bytes.size() * 9 / 10 : bytes.size();
        for (std::size_t at : cutPoints(whole, 12)) {
            const std::string what = name + " cut at " + std::to_string(at);
            EXPECT_EQ(check(Kind::Texture, what, bytes.substr(0, at), suffixOf(name).c_str()).exitCode,
                      Outcome::Refused)
                << what << " must fail to load, not be drawn from pixels that were never read";
        }
    }
}

TEST_F(HostileInputs, TexturesWithBytesFlipped)
{
    std::mt19937 random(12);
    for (const auto& [name, bytes] : textureFiles([this](const char* n) { return texture(n); }))
        for (int i = 0; i < 20; ++i) {
            std::string flipped = bytes;
            const int flips = 1 + int(random() % 8);
            for (int j = 0; j < flips; ++j) {
                // Half of them in the header, where the sizes are.
                const std::size_t at = random() % 2 ? random() % 64 : random() % flipped.size();
                flipped[at] = char(random());
            }
            check(Kind::Texture, name + " flipped #" + std::to_string(i), flipped, suffixOf(name).c_str());
        }
}

void put32At(std::string& s, std::size_t at, std::uint32_t v, bool bigEndian = false)
{
    for (int i = 0; i < 4; ++i)
        s[at + std::size_t(i)] = char(v >> (bigEndian ? 24 - 8 * i : 8 * i));
}
void put16At(std::string& s, std::size_t at, unsigned v, bool bigEndian = false)
{
    s[at] = char(bigEndian ? v >> 8 : v), s[at + 1] = char(bigEndian ? v : v >> 8);
}

TEST_F(HostileInputs, ImagesWithLyingHeaders)
{
    const auto files = textureFiles([this](const char* n) { return texture(n); });
    auto file = [&](const char* name) {
        for (const auto& [n, bytes] : files)
            if (n == name)
                return bytes;
        return std::string();
    };
    const std::uint32_t sizes[] = {0, 1, 8193, 65535, 65536, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

    for (const char* name : {"1.bmp", "made8.bmp"}) {
        const std::string bmp = file(name);
        for (std::uint32_t v : sizes)
            for (std::size_t field :
                 {2u, 10u, 14u, 18u, 22u, 34u, 46u}) {  // file size, data offset, header size,
                std::string lying = bmp;                // width, height, image size, colours used
                put32At(lying, field, v);
                check(Kind::Texture,
                      std::string(name) + " field " + std::to_string(field) + " = " + std::to_string(v),
                      lying, ".bmp");
            }
        for (unsigned bits : {0u, 1u, 7u, 16u, 32u, 64u, 65535u}) {
            std::string lying = bmp;
            put16At(lying, 28, bits);
            check(Kind::Texture, std::string(name) + " of " + std::to_string(bits) + " bits", lying, ".bmp");
        }
        for (std::uint32_t compression : {1u, 2u, 3u, 4u, 5u, 6u, 99u}) {
            std::string lying = bmp;
            put32At(lying, 30, compression);
            check(Kind::Texture, std::string(name) + " compression " + std::to_string(compression), lying,
                  ".bmp");
        }
    }

    const std::string png = file("made.png");
    for (std::uint32_t v : sizes)
        for (std::size_t field : {16u, 20u}) {  // IHDR width, height; the chunk's CRC made to match
            std::string lying = png;
            put32At(lying, field, v, true);
            put32At(lying, 29, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(lying.data() + 12), 17)),
                    true);
            check(Kind::Texture, "png field " + std::to_string(field) + " = " + std::to_string(v), lying,
                  ".png");
        }

    for (const char* name : {"City02_01.jpg", "sky1.jpg"}) {
        const std::string jpg = file(name);
        std::size_t frame = std::string::npos;
        for (const char* marker : {"\xFF\xC0", "\xFF\xC2", "\xFF\xC1"})
            frame = std::min(frame, jpg.find(marker, 2));
        ASSERT_NE(frame, std::string::npos) << name;
        for (unsigned v : {0u, 1u, 8193u, 65535u})
            for (std::size_t field : {5u, 7u}) {  // height, width
                std::string lying = jpg;
                put16At(lying, frame + field, v, true);
                check(Kind::Texture,
                      std::string(name) + " frame field " + std::to_string(field) + " = " + std::to_string(v),
                      lying, ".jpg");
            }
        for (unsigned components : {0u, 2u, 4u, 255u}) {
            std::string lying = jpg;
            lying[frame + 9] = char(components);
            check(Kind::Texture, std::string(name) + " with " + std::to_string(components) + " components",
                  lying, ".jpg");
        }
    }

    for (const char* name : {"made.tga", "made-rle.tga"}) {
        const std::string image = file(name);
        for (unsigned v : {0u, 1u, 97u, 8192u, 8193u, 65535u})
            for (std::size_t field : {12u, 14u}) {
                std::string lying = image;
                put16At(lying, field, v);
                check(Kind::Texture,
                      std::string(name) + " field " + std::to_string(field) + " = " + std::to_string(v),
                      lying, ".tga");
            }
        for (std::size_t field : {0u, 1u, 2u, 5u, 7u, 16u, 17u})
            for (unsigned v : {0u, 1u, 9u, 32u, 255u}) {
                std::string lying = image;
                lying[field] = char(v);
                check(Kind::Texture,
                      std::string(name) + " byte " + std::to_string(field) + " = " + std::to_string(v), lying,
                      ".tga");
            }
    }
}

// The figures, once every case has run.
class Summary : public ::testing::Environment {
public:
    void TearDown() override
    {
        const Figures& f = figures();
        if (f.inputs == 0)
            return;
        std::printf(
            "hostile inputs: %d (%d loaded, %d refused cleanly); slowest: %s, %.0f ms CPU, %.0f ms wall; "
            "largest: %s, %.1f MiB resident (a child that loads nothing: %.1f MiB); limits 2 s CPU, 512 MiB "
            "address space\n",
            f.inputs, f.loaded, f.refused, f.slowest.c_str(), f.slowestCpuMs, f.slowestWallMs,
            f.largest.c_str(), f.largestKiB / 1024.0, f.baselineKiB / 1024.0);
    }
};
const auto* const kSummary = ::testing::AddGlobalTestEnvironment(new Summary);

}  // namespace
