select ':NotAParam', "x:y" from T -- :comment
where A = :A /* :B */ and B = :B_1$2