# Builds a shipped data file into a program: qm_embed_file(<cpp> <namespace> <symbol> <file>)
# adds a build step that writes <cpp>, which defines
#   extern const char <symbol>[];             // the file's bytes, then a terminating NUL
#   extern const std::size_t <symbol>Size;    // the number of bytes, without the NUL
# in <namespace>. The file stays the one source: the step runs again whenever it changes.
# The same script writes the source when run as
#   cmake -DINPUT=<file> -DOUTPUT=<cpp> -DNAMESPACE=<namespace> -DSYMBOL=<symbol> -P EmbedFile.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${INPUT} bytes HEX)
  string(LENGTH "${bytes}" digits)
  math(EXPR size "${digits} / 2")
  # Character literals, sixteen a line: no string literal, so no compiler's length limit.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
  string(REGEX REPLACE "(('[^']+',){16})" "\\1\n    " bytes "${bytes}")
  get_filename_component(name ${INPUT} NAME)
  file(WRITE ${OUTPUT}.new
    "// Written by cmake/EmbedFile.cmake from ${name}; do not edit.\n"
    "#include <cstddef>\n\nnamespace ${NAMESPACE} {\n\n"
    "extern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
    "const char ${SYMBOL}[] = {\n    ${bytes}'\\0'};\n"
    "const std::size_t ${SYMBOL}Size = ${size};\n\n}  // namespace ${NAMESPACE}\n")
  file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.new)
  return()
endif()

set(QM_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
function(qm_embed_file output namespace symbol input)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAMESPACE=${namespace} -DSYMBOL=${symbol}
            -P ${QM_EMBED_SCRIPT}
    DEPENDS ${input} ${QM_EMBED_SCRIPT}
    COMMENT "Building in ${input}"
    VERBATIM)
endfunction()
