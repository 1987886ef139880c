#pragma once
// What `pelorin-batch --help` prints: the job format, with an example.

const char* JobFormatHelp();
