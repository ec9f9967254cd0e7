# Vector variants of the kernels live in translation units named after their
# instruction set: *_neon.cpp (32-bit ARM), *_avx2.cpp and *_sse2.cpp (x86-64).
# Each is compiled with its own flags only; the rest of the library stays at
# the target's baseline and picks a variant at run time (core/simd/isa.cpp).
#
# TAV_FIXED_ISA=ON is for toolchains that fix the instruction set for the
# whole build (-mfpu=neon, -march=native): variant units get no flags of
# their own, build only what the global flags enable, and the run-time check
# is compiled out.
option(TAV_FIXED_ISA "Use the build's compiler flags as the instruction set; no run-time check" OFF)

set(TAV_ISA_ARM OFF)
set(TAV_ISA_X86_64 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|armv7.*|armhf)$")
  set(TAV_ISA_ARM ON)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(TAV_ISA_X86_64 ON)
endif()

# Keeps the variant units of this machine's architecture in the list, with
# their flags, and drops the others.
macro(tav_split_isa_variants sources_var)
  set(_tav_kept)
  foreach(_src IN LISTS ${sources_var})
    if(_src MATCHES "_neon\\.cpp$")
      if(TAV_ISA_ARM)
        list(APPEND _tav_kept ${_src})
        if(NOT TAV_FIXED_ISA)
          set_source_files_properties(${_src} PROPERTIES COMPILE_OPTIONS "-mfpu=neon")
        endif()
      endif()
    elseif(_src MATCHES "_avx2\\.cpp$")
      if(TAV_ISA_X86_64)
        list(APPEND _tav_kept ${_src})
        if(NOT TAV_FIXED_ISA)
          set_source_files_properties(${_src} PROPERTIES COMPILE_OPTIONS "-mavx2")
        endif()
      endif()
    elseif(_src MATCHES "_sse2\\.cpp$")
      if(TAV_ISA_X86_64)
        list(APPEND _tav_kept ${_src})
      endif()
    else()
      list(APPEND _tav_kept ${_src})
    endif()
  endforeach()
  set(${sources_var} ${_tav_kept})
endmacro()

function(tav_add_isa_definitions target)
  if(TAV_ISA_ARM)
    target_compile_definitions(${target} PRIVATE TAV_HAVE_NEON_VARIANTS=1)
  endif()
  if(TAV_ISA_X86_64)
    target_compile_definitions(${target} PRIVATE TAV_HAVE_AVX2_VARIANTS=1 TAV_HAVE_SSE2_VARIANTS=1)
  endif()
  if(TAV_FIXED_ISA)
    target_compile_definitions(${target} PRIVATE TAV_FIXED_ISA=1)
  endif()
endfunction()
