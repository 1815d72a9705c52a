// lumaret-cli edit: opens a picture as the editor does, runs operations, saves as Save As does.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "adjust/curves/curves.h"
#include "adjust/filters/photofilter.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/levels/levels.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "adjust/whitebalance/whitebalance.h"
#include "detail/irfilm.h"
#include "detail/redeye.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"
#include "edit_operations.h"
#include "editor/editordoc.h"
#include "geometry/resize.h"
#include "geometry/rotate.h"
#include "geometry/rotatetool.h"
#include "command.h"
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

// Undo is a step of the command line, not an image operation.
const ops::Operation kUndoOperation{.name = "Undo", .option = "undo", .meaning = "takes back the step before"};

bool ParseQuality(const std::string& text, int32_t& quality) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || v < 1 || v > 100) return false;
    quality = static_cast<int32_t>(v);
    return true;
}

std::string ApplyError(ApplyResult result) {
    switch (result) {
    case ApplyResult::NoImage: return "the document holds no image";
    case ApplyResult::InvalidSize: return "the result would have no size";
    case ApplyResult::OutOfMemory: return "not enough memory for the result";
    case ApplyResult::RoutineFailed: return "the operation could not be applied";
    case ApplyResult::Ok: break;
    }
    return "";
}

// Reads the values of every occurrence of `op` in the step, plans it on the current image
// and commits the plan's steps.
bool RunStep(CeditorDoc& doc, const ops::Operation& op, const Args& args, const std::vector<size_t>& starts,
             std::string& error) {
    if (&op == &kUndoOperation) {
        size_t i = starts[0];
        OperationInput input;
        if (!ReadOperationInput(op, args, i, 0, 0, input, error)) return false;
        return doc.Undo() || (error = "nothing to undo", false);
    }
    const ImagePlane current = doc.CurrentImage();
    if (!current.data) return (error = "the document holds no image", false);
    std::vector<double> values;
    OperationInput input;
    for (size_t start : starts) {
        size_t i = start;
        if (!ReadOperationInput(op, args, i, current.width, current.height, input, error)) return false;
        values.insert(values.end(), input.values.begin(), input.values.end());
    }
    const auto plan = input.file.empty() ? (op.plan ? op.plan(current, values) : ops::Plan{})
                                         : (op.planFromFile ? op.planFromFile(current, input.file) : ops::Plan{});
    if (plan.failed) return (error = plan.message, false);
    if (plan.steps.empty()) {
        // Nothing to change is no error; say why.
        if (!plan.message.empty())
            std::fprintf(stderr, "lumaret-cli: %s: %s\n", OptionWord(op).c_str(), plan.message.c_str());
        return true;
    }
    const ApplyResult result = doc.ApplyPlan(plan.steps);
    return result == ApplyResult::Ok || (error = ApplyError(result), false);
}

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
    // Each step remembers where the values of each of its occurrences start: occurrences
    // of a merging operation that follow one another directly make one step.
    struct Step {
        const ops::Operation* op;
        std::vector<size_t> starts;
        size_t end;
    };
    std::vector<Step> steps;
    for (size_t i = 2; i < args.size();) {
        const size_t at = i;
        const std::string& word = args[i++];
        if (word == "--quality") {
            if (i >= args.size() || !ParseQuality(args[i++], quality)) return Fail("--quality needs a number from 1 to 100");
        } else if (word == "--strip-exif") {
            strip = true;
        } else {
            const ops::Operation* found = nullptr;
            for (const ops::Operation* op : EditOperations())
                if (word == OptionWord(*op)) found = op;
            if (!found) {
                std::fprintf(stderr, "lumaret-cli: unknown option %s\n", word.c_str());
                return EditUsageError();
            }
            const size_t end = SkipOperationWords(*found, args, i);
            if (found->repeatsMerge && !steps.empty() && steps.back().op == found && steps.back().end == at)
                steps.back().starts.push_back(i);
            else
                steps.push_back({found, {i}, end});
            steps.back().end = end;
            i = end;
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
        const std::string option = OptionWord(*step.op);
        std::string error;
        if (!RunStep(doc, *step.op, args, step.starts, error)) return Fail(option + ": " + error);
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

// The usage text lists every operation, one line each.
const char* EditUsage() {
    static const std::string usage = [] {
        std::string text =
            "edit IN OUT [operations...] [--quality Q] [--strip-exif]\n"
            "  IN and OUT may be .ppm files. Operations run in order, each one undo step:";
        for (const ops::Operation* op : EditOperations()) text += "\n    " + HelpLine(*op);
        return text;
    }();
    return usage.c_str();
}

CommandRegistration registration{
    {"edit", "edit IN OUT [operations...] [--quality Q] [--strip-exif]\n  (lumaret-cli edit --help lists the operations)",
     &RunEdit}};

}  // namespace

const std::vector<const ops::Operation*>& EditOperations() {
    static const std::vector<const ops::Operation*> operations{
            &geometry::RotateOperation(),        &geometry::StraightenOperation(),  &geometry::FlipOperation(),
            &geometry::ResizeOperation(),        &geometry::CropOperation(),        &kUndoOperation,
            &adjust::LevelsOperation(),          &adjust::CurvesOperation(),        &adjust::ChannelMixerOperation(),
            &adjust::HueSaturationOperation(),   &adjust::BrightnessOperation(),    &adjust::BoostOperation(),
            &adjust::BlackWhiteOperation(),      &adjust::WhiteBalanceOperation(),  &adjust::PhotoFilterOperation(),
            &detail::SharpenOperation(),         &detail::ShadowsOperation(),       &detail::HighlightsOperation(),
            &detail::IrFilmOperation(),          &detail::RedEyeOperation(),
    };
    return operations;
}

}  // namespace cli
