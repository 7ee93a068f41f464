// Runs UEFIExtract (Debian uefitool-cli) on images written to a temporary folder of the test,
// as the independent parser the builder's images are checked against.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tools/image_builder.h"

namespace kalvire::tools {

std::string GuidText(const Guid& g);

class UefiExtractTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path WriteImage(const Bytes& image);
  // Runs the report; returns the report and keeps UEFIExtract's messages in m_messages.
  std::string Report(const std::filesystem::path& image);
  // The leaf section bodies of one file as UEFIExtract decodes them, in tree order.
  std::vector<Bytes> Bodies(const std::filesystem::path& image, const Guid& file);

  std::filesystem::path m_dir;
  std::string m_messages;
};

// Lines of the report and of the messages that name a fault. Images of a single volume have
// no volume top file, which UEFIExtract mentions for the image as a whole; `whole_image` keeps
// that line too.
std::vector<std::string> FaultLines(const std::string& text, bool whole_image = false);

}  // namespace kalvire::tools
