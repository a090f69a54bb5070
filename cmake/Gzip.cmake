# Compresses one file as Debian wants it (best compression, no name or time
# stamp inside):  cmake -DINPUT=<file> -DOUTPUT=<file.gz> -P Gzip.cmake
execute_process(COMMAND gzip -9n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${INPUT}: ${result}")
endif()
