// lumaret-cli edit: opens a picture as the editor does, runs operations, saves as Save As does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "command.h"
#include "editor/editordoc.h"
#include "geometry/rotatetool.h"
#include "edit_operations.h"
#include "ppm.h"

namespace cli {
namespace {

bool EndsWithPpm(const std::string& path) {
    return path.size() > 4 && (path.compare(path.size() - 4, 4, ".ppm") == 0 ||
                               path.compare(path.size() - 4, 4, ".PPM") == 0);
}

// Prints what was written to the document after a prompt (failures of Save As).
class StderrPrompt : public IPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons) override {
        std::fprintf(stderr, "lumaret-cli: %s: %s\n", caption.c_str(), text.c_str());
        return PromptAnswer::Yes;
    }
};

EditOperationRegistration geometryOperations{{
        {"--rotate", "--rotate DEG",
         [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
             double degrees = 0;
             if (!NeedArgs(a, i, 1, "--rotate", error)) return false;
             if (!ParseNumber(a[i++], degrees)) return (error = "--rotate needs an angle in degrees", false);
             return doc.RotateImage(static_cast<float>(degrees)) || (error = "rotation failed", false);
         }},
        {"--straighten", "--straighten DEG [--crop-auto]",
         [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
             double degrees = 0;
             if (!NeedArgs(a, i, 1, "--straighten", error)) return false;
             if (!ParseNumber(a[i++], degrees)) return (error = "--straighten needs an angle in degrees", false);
             bool crop = false;
             if (i < a.size() && a[i] == "--crop-auto") {
                 crop = true;
                 ++i;
             }
             const ImagePlane current = doc.CurrentImage();
             geometry::CRotateToolModel tool(current.width, current.height);
             tool.SetAngle(static_cast<float>(degrees));
             tool.SetCrop(crop);
             return doc.ApplyPlan(tool.ResultSteps()) == ApplyResult::Ok || (error = "straightening failed", false);
         },
         "--crop-auto", 0},
        {"--flip", "--flip h|v",
         [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
             if (!NeedArgs(a, i, 1, "--flip", error)) return false;
             const std::string how = a[i++];
             if (how == "h") return doc.MirrorLeftRight() || (error = "flip failed", false);
             if (how == "v") return doc.MirrorTopBottom() || (error = "flip failed", false);
             error = "--flip takes h or v";
             return false;
         }},
        {"--resize", "--resize W H [--method nearest|bilinear|bicubic|supersampling|lanczos]",
         [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
             int32_t w = 0, h = 0;
             if (!NeedArgs(a, i, 2, "--resize", error)) return false;
             if (!ParseInt(a[i], w, 1, 10000) || !ParseInt(a[i + 1], h, 1, 10000))
                 return (error = "--resize needs a width and a height of 1 to 10000 pixels", false);
             i += 2;
             auto method = geometry::ResizeMethod::Bicubic;
             if (i < a.size() && a[i] == "--method") {
                 if (!NeedArgs(a, i + 1, 1, "--method", error)) return false;
                 const std::string name = a[i + 1];
                 i += 2;
                 if (name == "nearest") method = geometry::ResizeMethod::Nearest;
                 else if (name == "bilinear") method = geometry::ResizeMethod::Bilinear;
                 else if (name == "bicubic") method = geometry::ResizeMethod::Bicubic;
                 else if (name == "supersampling") method = geometry::ResizeMethod::SuperSampling;
                 else if (name == "lanczos") method = geometry::ResizeMethod::Lanczos;
                 else return (error = "unknown resize method " + name, false);
             }
             return doc.ResizeImage(w, h, method) || (error = "resize failed (not enough memory?)", false);
         },
         "--method", 1},
        {"--crop", "--crop L T R B  (right and bottom exclusive)",
         [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
             if (!NeedArgs(a, i, 4, "--crop", error)) return false;
             const ImagePlane current = doc.CurrentImage();
             geometry::CropRect r;
             if (!ParseInt(a[i], r.left, 0, current.width) || !ParseInt(a[i + 1], r.top, 0, current.height) ||
                 !ParseInt(a[i + 2], r.right, 0, current.width) ||
                 !ParseInt(a[i + 3], r.bottom, 0, current.height) || r.IsEmpty())
                 return (error = "--crop needs L T R B inside the image, right and bottom exclusive", false);
             i += 4;
             return doc.CropImage(r) || (error = "crop failed", false);
         }},
        {"--undo", "--undo",
         [](CeditorDoc& doc, const Args&, size_t&, std::string& error) {
             return doc.Undo() || (error = "nothing to undo", false);
         }},
}};

const char* EditUsage();

// Prints the full usage with every operation and returns the usage exit status.
int EditUsageError() {
    std::fprintf(stderr, "usage:\n");
    PrintUsageLines(EditUsage());
    return kExitUsage;
}

int RunEdit(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        PrintUsageLines(EditUsage());
        return kExitOk;
    }
    if (args.size() < 2) return EditUsageError();
    const std::string in = args[0], out = args[1];
    int32_t quality = 90;
    bool strip = false;

    // Options are checked before anything is read, so a typo costs no decoding time.
    const std::vector<EditOperation>& operations = EditOperations();
    struct Step { const EditOperation* op; size_t at; };
    std::vector<Step> steps;
    for (size_t i = 2; i < args.size();) {
        const std::string& word = args[i++];
        if (word == "--quality") {
            if (i >= args.size() || !ParseInt(args[i++], quality, 1, 100))
                return Fail("--quality needs a number from 1 to 100");
        } else if (word == "--strip-exif") {
            strip = true;
        } else {
            const EditOperation* found = nullptr;
            for (const EditOperation& op : operations)
                if (word == op.option) found = &op;
            if (!found) {
                std::fprintf(stderr, "lumaret-cli: unknown option %s\n", word.c_str());
                return EditUsageError();
            }
            steps.push_back({found, i});
            // Skip this operation's values: anything up to the next option word. Negative
            // numbers are values, not options. Only the operation's own sub-option may
            // follow; after any other operation it is an unknown option.
            while (i < args.size() && !(args[i].rfind("--", 0) == 0)) ++i;
            if (found->subOption && i < args.size() && args[i] == found->subOption)
                i = std::min(args.size(), i + 1 + static_cast<size_t>(found->subOptionValues));
        }
    }

    StderrPrompt prompt;
    CeditorDoc doc(&prompt);
    if (EndsWithPpm(in)) {
        CImageBuffer pixels;
        std::string error;
        if (!ReadPpm(in, pixels, error)) return Fail(error);
        if (!doc.OpenPixels(pixels.Plane(), in)) return Fail("not enough memory for " + in);
    } else {
        doc.OnOpenDocument(in);
        if (!doc.CurrentImage().data) return Fail(in + " cannot be read as a JPEG picture");
    }

    for (const Step& step : steps) {
        size_t i = step.at;
        std::string error;
        if (!step.op->run(doc, args, i, error)) return Fail(std::string(step.op->option) + ": " + error);
    }

    if (EndsWithPpm(out)) {
        if (!WritePpm(out, doc.CurrentImage())) {
            std::fprintf(stderr, "lumaret-cli: cannot write %s\n", out.c_str());
            return kExitFailure;
        }
        return kExitOk;
    }
    return doc.SaveAs(out, quality, strip) ? kExitOk : kExitFailure;
}

// The usage text lists every registered operation.
const char* EditUsage() {
    static const std::string usage = [] {
        std::string text =
            "edit IN OUT [operations...] [--quality Q] [--strip-exif]\n"
            "  IN and OUT may be .ppm files. Operations run in order, each one undo step:";
        for (const EditOperation& op : EditOperations()) text += std::string("\n    ") + op.usage;
        return text;
    }();
    return usage.c_str();
}

CommandRegistration registration{
    {"edit", "edit IN OUT [operations...] [--quality Q] [--strip-exif]\n  (lumaret-cli edit --help lists the operations)",
     &RunEdit}};

}  // namespace

void RegisterEditOperation(const EditOperation& operation) {
    const_cast<std::vector<EditOperation>&>(EditOperations()).push_back(operation);
}

const std::vector<EditOperation>& EditOperations() {
    static std::vector<EditOperation> operations;
    return operations;
}

bool NeedArgs(const Args& args, size_t i, size_t n, const char* option, std::string& error) {
    if (i + n <= args.size()) return true;
    error = std::string(option) + " needs " + std::to_string(n) + " value(s)";
    return false;
}

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool ParseInt(const std::string& text, int32_t& value, int32_t low, int32_t high) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || v < low || v > high) return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace cli
