select * from PART
where (MANUFACTURECODE like :Num)
or (NUMBER like :Num)