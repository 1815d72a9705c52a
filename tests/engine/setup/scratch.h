#pragma once
// The scratch folder and file helpers of the setup tests.
#include "tempdir.h"

namespace setuptest {

using Scratch = testsupport::TempDir;
using testsupport::ReadText;
using testsupport::WriteText;

}  // namespace setuptest
