desc emp
DESCRIBE "Mixed";
select 1 from dual;
