# Copies the shipped settings with "showstartup" switched off: cmake -DINPUT= -DOUTPUT= -P ...
file(READ ${INPUT} settings)
string(REGEX REPLACE "showstartup=[0-9]+" "showstartup=0" settings "${settings}")
file(WRITE ${OUTPUT} "${settings}")
