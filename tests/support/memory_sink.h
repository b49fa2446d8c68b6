#pragma once
#include <string>

#include "reports/report_sink.h"

// A report kept in memory, for comparing what the engine writes.
class MemorySink : public ReportSink {
 public:
  void write(std::string& text) override {
    content += text;
    text.clear();
  }
  void writeHead(std::string& head) override {
    content.insert(0, head);
    head.clear();
  }
  bool close() override { return true; }
  std::string content;
};
