// brantel-tool: the batch and debugging tool. One program with subcommands,
// each calling the same platform and application code as the program; this
// file only dispatches and prints the usage text. Exit codes: 0 done, 1 the
// file or an operation failed, 2 the command line is wrong.
#include <cstring>

#include "contacts_command.h"
#include "export_command.h"
#include "pdb_command.h"
#include "sort_command.h"
#include "tool.h"

namespace {

void printUsage(FILE* out) {
  fputs(
      "usage: brantel-tool COMMAND ...\n"
      "\n"
      "Commands:\n",
      out);
  PdbUsage(out);
  fputc('\n', out);
  ContactsUsage(out);
  fputc('\n', out);
  SortUsage(out);
  fputc('\n', out);
  SampleUsage(out);
  fputc('\n', out);
  VCardUsage(out);
  MemoUsage(out);
  fputs(
      "\n"
      "Exit status: 0 done, 1 the file or an operation failed (the message names\n"
      "the file), 2 the command line is wrong.\n",
      out);
}

bool isHelp(const char* arg) {
  return strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 || strcmp(arg, "help") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return TOOL_EXIT_USAGE;
  }
  if (isHelp(argv[1])) {
    printUsage(stdout);
    return TOOL_EXIT_OK;
  }
  if (strcmp(argv[1], "pdb") == 0) {
    if (argc >= 3 && isHelp(argv[2])) {
      PdbUsage(stdout);
      return TOOL_EXIT_OK;
    }
    return PdbCommand(argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "contacts") == 0) {
    if (argc >= 3 && isHelp(argv[2])) {
      ContactsUsage(stdout);
      return TOOL_EXIT_OK;
    }
    return ContactsCommand(argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "sort") == 0) {
    if (argc >= 3 && isHelp(argv[2])) {
      SortUsage(stdout);
      return TOOL_EXIT_OK;
    }
    return SortCommand(argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "sample") == 0) {
    if (argc >= 3 && isHelp(argv[2])) {
      SampleUsage(stdout);
      return TOOL_EXIT_OK;
    }
    return SampleCommand(argc - 2, argv + 2);
  }
  if (strcmp(argv[1], "vcard") == 0 || strcmp(argv[1], "memo") == 0) {
    bool vcard = argv[1][0] == 'v';
    if (argc >= 3 && isHelp(argv[2])) {
      (vcard ? VCardUsage : MemoUsage)(stdout);
      return TOOL_EXIT_OK;
    }
    return (vcard ? VCardCommand : MemoCommand)(argc - 2, argv + 2);
  }
  ToolUsageFail("unknown command '%s'", argv[1]);
  return TOOL_EXIT_USAGE;
}
