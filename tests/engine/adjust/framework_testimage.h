#pragma once
// Test images, temporary folders and the prompt and progress fakes for the adjustment tests.
#include <string>
#include <utility>

#include "fakes.h"
#include "tempdir.h"
#include "test_image.h"

namespace adjusttest {

using testimage::Image;
using testimage::SamePixels;
using Msg = std::pair<std::string, std::string>;  // text, caption
using testsupport::RecordingProgress;
using testsupport::ScriptedPrompt;

}  // namespace adjusttest
