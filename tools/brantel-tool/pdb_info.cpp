// `brantel-tool pdb info` and `pdb check`: the header, info offsets and
// record (or resource) list of a PDB file as readable text or JSON, and the
// structure check with a message that says what is damaged. The verdict is
// always the database layer's (DB_Validate); the raw header and list are
// read here only to explain a damaged file. Owns no state.
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "pdb_command.h"
#include "tool.h"

namespace {

constexpr uint32_t READ_CHUNK = 65536;

struct Header {
  FourCC kind = 0, type = 0, creator = 0;
  char name[32] = {0};
  uint32_t attributes = 0, appInfo = 0, sortInfo = 0;
  uint16_t version = 0;
  PalmTime created = 0, modified = 0, backedUp = 0;
  uint8_t format = DB_FORMAT_RECORDS;
  int32_t fileSize = 0;
};

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

// Why DB_Validate refused the file, from its raw header and list.
std::string diagnose(FileRef f) {
  int32_t size = FIL_Size(f);
  if (size < 0) return "the file is too large for a database, or its size cannot be read";
  uint8_t h[PDB_HEADER_SIZE];
  if (size < int32_t(PDB_HEADER_SIZE)) return "the file is shorter than a database header";
  (void)FIL_Seek(f, 0, FIL_SEEK_SET);
  if (FIL_Read(f, h, PDB_HEADER_SIZE) != PDB_HEADER_SIZE) return "the header cannot be read";
  uint32_t count = Get16BE(h + 76), e = (Get16BE(h + 32) & 1) ? 10 : 8;
  uint64_t listEnd = PDB_HEADER_SIZE + uint64_t(e) * count;
  if (listEnd > uint64_t(size))
    return format(
        "the record list (%u entries of %u bytes) runs past the end of the file (%d bytes)", count,
        e, size);
  std::vector<uint8_t> list(listEnd - PDB_HEADER_SIZE);
  if (!list.empty() && FIL_Read(f, list.data(), uint32_t(list.size())) != list.size())
    return "the record list cannot be read";
  uint32_t previous = uint32_t(listEnd), firstData = uint32_t(size);
  for (uint32_t i = 0; i < count; i++) {
    uint32_t offset = Get32BE(list.data() + i * e + (e == 10 ? 6 : 0));
    if (offset > uint32_t(size))
      return format("record %u's data offset %u lies past the end of the file (%d bytes)", i,
                    offset, size);
    if (offset < previous)
      return i == 0 ? format(
                          "record 0's data offset %u lies inside the record list (which ends "
                          "at %u)",
                          offset, previous)
                    : format("record %u's data offset %u is below record %u's (%u)", i, offset,
                             i - 1, previous);
    if (i == 0) firstData = offset;
    previous = offset;
  }
  const char* names[2] = {"application-info", "sort-info"};
  for (int k = 0; k < 2; k++) {
    uint32_t info = Get32BE(h + 52 + 4 * k);
    if (info != 0 && (info < listEnd || info > firstData))
      return format(
          "the %s offset %u lies outside the space between the record list (ending at "
          "%llu) and the first record's data (%u)",
          names[k], info, (unsigned long long)listEnd, firstData);
  }
  return "the record list does not fit the file";
}

// FourCCs and names as JSON string bodies: bytes above 0x7F become
// \u0080-\u00FF (one per byte, so nothing is lost), controls \u00XX.
std::string jsonBytes(const uint8_t* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; i++) {
    uint8_t c = p[i];
    if (c == '"' || c == '\\')
      out += std::string("\\") + char(c);
    else if (c < 0x20 || c >= 0x7F)
      out += format("\\u%04x", c);
    else
      out += char(c);
  }
  return "\"" + out + "\"";
}

// The same for text output: printable ASCII as it is, other bytes \xNN.
std::string textBytes(const uint8_t* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; i++)
    out += p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\' ? std::string(1, char(p[i]))
                                                       : format("\\x%02x", p[i]);
  return out;
}

std::string fourcc(FourCC code, bool json) {
  uint8_t b[4];
  Put32BE(b, code);
  return json ? jsonBytes(b, 4) : "'" + textBytes(b, 4) + "'";
}

std::string kindText(FourCC kind, bool json) {
  if (kind == FCC("Palm")) return json ? "\"Palm\"" : "Palm";
  if (kind == FCC("Riff")) return json ? "\"Riff\"" : "Riff";
  return json ? "null" : "none (not a database)";
}

std::string dateText(PalmTime t) {
  if (t == 0) return "0 (none)";
  time_t unix = time_t(PalmTimeToUnix(t));
  struct tm parts;
  char text[32] = "?";
  if (gmtime_r(&unix, &parts)) strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return format("%u (%s)", t, text);
}

std::string dbAttrText(uint32_t attributes) {
  static const struct {
    uint32_t bit;
    const char* name;
  } kNames[] = {{DB_ATTR_READ_ONLY, "read-only"},
                {DB_ATTR_BACKUP, "backup"},
                {DB_ATTR_RESET_AFTER_INSTALL, "reset-after-install"},
                {DB_ATTR_COPY_PREVENTION, "copy-prevention"},
                {DB_ATTR_RESOURCE, "resource"},
                {DB_ATTR_HIDDEN, "hidden"},
                {DB_ATTR_STREAM, "stream"},
                {DB_ATTR_RECYCLABLE, "recyclable"},
                {DB_ATTR_BUNDLE, "bundle"},
                {DB_ATTR_LAUNCHABLE_DATA, "launchable-data"},
                {DB_ATTR_OK_TO_INSTALL_NEWER, "ok-to-install-newer"},
                {DB_ATTR_APPINFO_DIRTY, "appinfo-dirty"}};
  std::string out = format("0x%04x", attributes);
  for (const auto& n : kNames)
    if (attributes & n.bit) out += std::string(" ") + n.name;
  return out;
}

std::string recAttrText(uint8_t attributes) {
  std::string out;
  if (attributes & REC_ATTR_DELETED) out += "deleted,";
  if (attributes & REC_ATTR_SECRET) out += "secret,";
  if (attributes & REC_ATTR_DIRTY) out += "dirty,";
  if (out.empty()) return "-";
  out.pop_back();
  return out;
}

// One line of the record list (text or JSON, without separators).
std::string recordLine(FileRef f, const Header& h, uint16_t i, bool json) {
  uint32_t offset = DB_RecordOffset(f, i), size = DB_RecordSize(f, i);
  if (h.format == DB_FORMAT_RESOURCES) {
    FourCC type;
    uint16_t id;
    (void)DB_ResourceInfo(f, i, &type, &id);
    if (json)
      return format("{\"index\": %u, \"type\": %s, \"id\": %u, \"offset\": %u, \"size\": %u}", i,
                    fourcc(type, true).c_str(), id, offset, size);
    return format("%6u  %-8s %6u %10u %10u", i, fourcc(type, false).c_str(), id, offset, size);
  }
  uint8_t attributes, category;
  uint32_t uniqueId;
  (void)DB_RecordInfo(f, i, &attributes, &category);
  (void)DB_RecordUniqueId(f, i, &uniqueId);
  if (json)
    return format(
        "{\"index\": %u, \"offset\": %u, \"size\": %u, \"attributes\": %u, "
        "\"category\": %u, \"uniqueId\": %u}",
        i, offset, size, attributes, category, uniqueId);
  return format("%6u %10u %10u  %-24s %8u  0x%06x", i, offset, size,
                (format("%u ", attributes) + recAttrText(attributes)).c_str(), category, uniqueId);
}

void printJson(FileRef f, const Header& h, uint16_t count) {
  std::string out = "{\n";
  out += "  \"name\": " + jsonBytes(reinterpret_cast<const uint8_t*>(h.name), strlen(h.name));
  out += ",\n  \"type\": " + fourcc(h.type, true) + ",\n  \"creator\": " + fourcc(h.creator, true);
  out += format(",\n  \"attributes\": %u,\n  \"version\": %u", h.attributes, h.version);
  out += format(",\n  \"created\": %u,\n  \"modified\": %u,\n  \"backedUp\": %u", h.created,
                h.modified, h.backedUp);
  out += format(",\n  \"appInfoOffset\": %u,\n  \"sortInfoOffset\": %u", h.appInfo, h.sortInfo);
  out += ",\n  \"kind\": " + kindText(h.kind, true) + format(",\n  \"format\": %u", h.format);
  out += ",\n  \"records\": [";
  for (uint16_t i = 0; i < count; i++)
    out += std::string(i ? ",\n" : "\n") + "    " + recordLine(f, h, i, true);
  out += count ? "\n  ]\n}\n" : "]\n}\n";
  fputs(out.c_str(), stdout);
}

void printText(FileRef f, const Header& h, uint16_t count) {
  std::string out;
  out += "name            \"" + textBytes(reinterpret_cast<const uint8_t*>(h.name), strlen(h.name));
  out += "\"\nkind            " + kindText(h.kind, false);
  out += format("\nformat          %u (%s)", h.format,
                h.format == DB_FORMAT_RESOURCES ? "resource database" : "record database");
  out += "\ntype            " + fourcc(h.type, false);
  out += "\ncreator         " + fourcc(h.creator, false);
  out += "\nattributes      " + dbAttrText(h.attributes);
  out += format("\nversion         %u", h.version);
  out += "\ncreated         " + dateText(h.created);
  out += "\nmodified        " + dateText(h.modified);
  out += "\nbackedUp        " + dateText(h.backedUp);
  out += format("\nappInfoOffset   %u\nsortInfoOffset  %u\nfile size       %d bytes\n", h.appInfo,
                h.sortInfo, h.fileSize);
  bool resources = h.format == DB_FORMAT_RESOURCES;
  out += format("%s %u\n", resources ? "resources      " : "records        ", count);
  if (count)
    out += resources
               ? " index  type         id     offset       size\n"
               : " index     offset       size  attributes               category  uniqueId\n";
  for (uint16_t i = 0; i < count; i++) out += recordLine(f, h, i, false) + "\n";
  fputs(out.c_str(), stdout);
}

}  // namespace

bool PdbUsable(FileRef f, const char* path) {
  int32_t size = FIL_Size(f);
  FourCC kind = DB_FileKind(f);
  if (size == 0 || kind != FCC("Palm")) {
    ToolFail(path, "not a database: %s",
             size == 0             ? "the file is empty"
             : kind == FCC("Riff") ? "it is a RIFF (sound) file"
                                   : "it has no database header");
    return false;
  }
  Err err = DB_Validate(f);
  if (err == ERR_NOT_DATABASE)
    ToolFail(path, "damaged database: %s", diagnose(f).c_str());
  else if (err != 0)
    ToolFail(path, "cannot read the record list: %s", ToolErrText(err).c_str());
  return err == 0;
}

int PdbInfo(FileRef f, const char* path, bool json) {
  Header h;
  h.fileSize = FIL_Size(f);
  FourCC kind = DB_FileKind(f);
  if (kind == FCC("Palm") && !PdbUsable(f, path)) return TOOL_EXIT_ERROR;
  (void)DB_GetInfo(f, &h.kind, h.name, &h.attributes, &h.version, &h.modified, &h.created,
                   &h.backedUp, &h.type, &h.creator);
  if (h.kind == FCC("Palm")) (void)DB_InfoOffsets(f, &h.appInfo, &h.sortInfo);
  h.format = DB_Format(f);
  uint16_t count = h.kind == FCC("Palm") ? DB_NumRecords(f) : 0;
  if (json)
    printJson(f, h, count);
  else
    printText(f, h, count);
  return TOOL_EXIT_OK;
}

int PdbCheck(FileRef f, const char* path) {
  if (!PdbUsable(f, path)) return TOOL_EXIT_ERROR;
  // Every record's bytes must also be readable where the list says.
  uint16_t count = DB_NumRecords(f);
  std::vector<uint8_t> buffer(READ_CHUNK);
  for (uint16_t i = 0; i < count; i++) {
    uint32_t size = DB_RecordSize(f, i);
    for (uint32_t at = 0; at < size;) {
      uint32_t n = size - at < READ_CHUNK ? size - at : READ_CHUNK;
      Err err = DB_ReadRecordBytes(f, i, at, n, buffer.data());
      if (err != 0) {
        ToolFail(path, "record %u cannot be read: %s", i, ToolErrText(err).c_str());
        return TOOL_EXIT_ERROR;
      }
      at += n;
    }
  }
  bool resources = DB_Format(f) == DB_FORMAT_RESOURCES;
  printf("%s: ok (%u %s, %d bytes)\n", path, count, resources ? "resources" : "records",
         FIL_Size(f));
  return TOOL_EXIT_OK;
}
