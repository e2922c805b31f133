SELECT 1 FROM dual
/
/* open comment ;
; still */ SELECT 2 FROM dual;
'unterminated ;
