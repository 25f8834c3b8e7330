# Removes the package that puts TOLZEB into the Windows 11 Explorer context menu.
$ErrorActionPreference = 'Stop'
$packages = @(Get-AppxPackage -Name 'TOLZEB.Archiver' | Where-Object { $_.Publisher -eq 'CN=TOLZEB Development' })
if ($packages.Count -eq 0) {
    Write-Host 'The TOLZEB menu package is not installed; nothing to do.'
    exit 0
}
foreach ($package in $packages) {
    Write-Host "Removing $($package.PackageFullName)"
    Remove-AppxPackage -Package $package.PackageFullName
}
Write-Host 'Done. Restart Explorer if the entry is still shown.' -ForegroundColor Green
