# Writes OUTPUT: a C++ unit that holds FIRMWARE_DIR/1.hex .. 6.hex as they stand, behind
# BuiltInFirmwareText (app/FirmwareImage.h). Run by the build whenever an image changes.
set(_body "")
set(_cases "")
foreach(_id RANGE 1 6)
  set(_file ${FIRMWARE_DIR}/${_id}.hex)
  if(NOT EXISTS ${_file})
    message(FATAL_ERROR "The firmware image ${_file} is missing: the program carries six, 1.hex to 6.hex.")
  endif()
  file(READ ${_file} _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  # A trailing 0 keeps an empty image a valid array; it is not part of the text.
  string(APPEND _body "const unsigned char kImage${_id}[] = {${_bytes}0};\n")
  string(APPEND _cases "    case ${_id}: return Text(kImage${_id}, sizeof kImage${_id});\n")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Made by resources/firmware/Embed.cmake from resources/firmware; do not edit.
#include \"app/FirmwareImage.h\"

namespace {
${_body}
std::string_view Text(const unsigned char* bytes, std::size_t size)
{
    return {reinterpret_cast<const char*>(bytes), size - 1};
}
}  // namespace

std::string_view BuiltInFirmwareText(int Id)
{
    switch (Id) {
${_cases}    default: return {};
    }
}
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
