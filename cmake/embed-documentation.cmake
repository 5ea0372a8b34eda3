# cmake -DHTML=... -DOUTPUT=... -P embed-documentation.cmake
# Writes a script that holds the documentation page gzipped, in base64, as
# the constant documentationGzip, for the web page to unpack.
execute_process(COMMAND gzip -9n INPUT_FILE ${HTML} OUTPUT_FILE ${OUTPUT}.gz COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND base64 -w0 ${OUTPUT}.gz OUTPUT_VARIABLE packed COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${OUTPUT}.gz)
file(WRITE ${OUTPUT} "const documentationGzip = '${packed}';\n")
