# The body of the sample's programs: started, they end at once with exit
# code 0, so that a real Windows (or Wine) runs them as the simulated
# machine does. No C runtime: the entry point is the whole program; on i686
# it removes its one argument (stdcall), on x86_64 (WIN64 defined) the
# caller does.
	.text
	.globl	program_entry
program_entry:
	xorl	%eax, %eax
.ifdef WIN64
	ret
.else
	ret	$4
.endif
