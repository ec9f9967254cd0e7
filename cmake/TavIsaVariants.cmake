# The kernel units: one translation unit per instruction set
# (core/simd/kernels_<set>.cpp) compiles every family's vector block with that
# set's flags and fills its kernel table; the rest of the library stays at
# the target's baseline and picks a table at run time (core/simd/isa.cpp).
#
# TAV_FIXED_ISA=ON is for toolchains that fix the instruction set for the
# whole build (-mfpu=neon, -march=native): kernel units get no flags of
# their own, build only what the global flags enable, and the run-time check
# is compiled out. TAV_SIMD=OFF builds the plain rule only (for debugging and
# new targets).
option(TAV_FIXED_ISA "Use the build's compiler flags as the instruction set; no run-time check" OFF)
option(TAV_SIMD "Build the vector kernels (OFF: the plain rule only)" ON)

set(TAV_ISA_ARM OFF)
set(TAV_ISA_AARCH64 OFF)
set(TAV_ISA_X86_64 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|armv7.*|armhf)$")
  set(TAV_ISA_ARM ON)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(TAV_ISA_AARCH64 ON)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(TAV_ISA_X86_64 ON)
endif()

# Instruction sets with a kernel unit in this build, and their flags.
set(TAV_KERNEL_SETS)
if(TAV_SIMD AND TAV_ISA_ARM)
  list(APPEND TAV_KERNEL_SETS neon)
  set(TAV_FLAGS_neon -mfpu=neon)
elseif(TAV_SIMD AND TAV_ISA_AARCH64)
  # ASIMD is part of the architecture: the NEON unit needs no flag.
  list(APPEND TAV_KERNEL_SETS neon)
  set(TAV_FLAGS_neon "")
elseif(TAV_SIMD AND TAV_ISA_X86_64)
  list(APPEND TAV_KERNEL_SETS sse2 avx2)
  set(TAV_FLAGS_sse2 "")
  set(TAV_FLAGS_avx2 -mavx2)
endif()

# Keeps the kernel units of this build's sets in the list, with their flags,
# and drops the others.
macro(tav_split_isa_variants sources_var)
  set(_tav_kept)
  foreach(_src IN LISTS ${sources_var})
    if(_src MATCHES "/kernels_([a-z0-9]+)\\.cpp$")
      set(_set ${CMAKE_MATCH_1})
      if(_set IN_LIST TAV_KERNEL_SETS)
        list(APPEND _tav_kept ${_src})
        if(NOT TAV_FIXED_ISA AND TAV_FLAGS_${_set})
          set_source_files_properties(${_src} PROPERTIES COMPILE_OPTIONS "${TAV_FLAGS_${_set}}")
        endif()
      endif()
    else()
      list(APPEND _tav_kept ${_src})
    endif()
  endforeach()
  set(${sources_var} ${_tav_kept})
endmacro()

function(tav_add_isa_definitions target)
  foreach(_set IN LISTS TAV_KERNEL_SETS)
    string(TOUPPER ${_set} _upper)
    target_compile_definitions(${target} PRIVATE TAV_HAVE_${_upper}_KERNELS=1)
  endforeach()
  if(TAV_FIXED_ISA)
    target_compile_definitions(${target} PRIVATE TAV_FIXED_ISA=1)
  endif()
endfunction()
